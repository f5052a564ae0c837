#include <cmath>
#include <cstring>

#include "sound/mpeg/MpegAudioDecoder.h"

namespace
{
// Eight floats and eight integers as one value with element-wise arithmetic: two SSE registers
// on any x86-64, one AVX register where the processor has AVX2.
typedef float Float8 __attribute__((vector_size(32)));
typedef int32_t Int8 __attribute__((vector_size(32)));
typedef int16_t Short8 __attribute__((vector_size(16)));

#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define NERULAN_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define NERULAN_WIDE_CLONES
#endif

// The windowing of one time slot: 32 sums of 16 products, each in slot order, clamped to 16 bits
// while still float (NaN from damaged data becomes 0) and truncated toward zero.
NERULAN_WIDE_CLONES void WindowSlot(const float (*ring)[64], int pos, const float (*window)[32], int16_t* pcm)
{
    Float8 acc[4] = {};
    for (int s = 0; s < 16; ++s)
    {
        const float* r = ring[(pos + s) & 15] + 32 * (s & 1);
        const float* w = window[s];
        for (int q = 0; q < 4; ++q)
        {
            Float8 rv, wv;
            std::memcpy(&rv, r + 8 * q, sizeof(rv));
            std::memcpy(&wv, w + 8 * q, sizeof(wv));
            acc[q] += wv * rv;
        }
    }
    const Float8 high = {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767};
    const Float8 low = -high - 1;
    const Float8 zero = {};
    for (int q = 0; q < 4; ++q)
    {
        Float8 c = acc[q] >= high ? high : acc[q];
        c = c <= low ? low : c;
        c = c == c ? c : zero;
        const Short8 v = __builtin_convertvector(__builtin_convertvector(c, Int8), Short8);
        std::memcpy(pcm + 8 * q, &v, sizeof(v));
    }
}

// The synthesis window D[0..256] times 65,536 (its values are multiples of 1 / 65,536); the rest
// of the 512 coefficients mirror these around D[256].
const int32_t kWindowHalf[257] = {
    0,      -1,     -1,     -1,     -1,     -1,     -1,     -2,     -2,     -2,     -2,     -3,     -3,
    -4,     -4,     -5,     -5,     -6,     -7,     -7,     -8,     -9,     -10,    -11,    -13,    -14,
    -16,    -17,    -19,    -21,    -24,    -26,    -29,    -31,    -35,    -38,    -41,    -45,    -49,
    -53,    -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,    -104,   -111,   -117,   -125,
    -132,   -139,   -147,   -154,   -161,   -169,   -176,   -183,   -190,   -196,   -202,   -208,   213,
    218,    222,    225,    227,    228,    228,    227,    224,    221,    215,    208,    200,    189,
    177,    163,    146,    127,    106,    83,     57,     29,     -2,     -36,    -72,    -111,   -153,
    -197,   -244,   -294,   -347,   -401,   -459,   -519,   -581,   -645,   -711,   -779,   -848,   -919,
    -991,   -1064,  -1137,  -1210,  -1283,  -1356,  -1428,  -1498,  -1567,  -1634,  -1698,  -1759,  -1817,
    -1870,  -1919,  -1962,  -2001,  -2032,  -2057,  -2075,  -2085,  -2087,  -2080,  -2063,  2037,   2000,
    1952,   1893,   1822,   1739,   1644,   1535,   1414,   1280,   1131,   970,    794,    605,    402,
    185,    -45,    -288,   -545,   -814,   -1095,  -1388,  -1692,  -2006,  -2330,  -2663,  -3004,  -3351,
    -3705,  -4063,  -4425,  -4788,  -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,  -7910,
    -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,  -9727,  -9838,  -9916,  -9959,  -9966,  -9935,
    -9863,  -9750,  -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,  6574,   5959,   5288,
    4561,   3776,   2935,   2037,   1082,   70,     -998,   -2122,  -3300,  -4533,  -5818,  -7154,  -8540,
    -9975,  -11455, -12980, -14548, -16155, -17799, -19478, -21189, -22929, -24694, -26482, -28289, -30112,
    -31947, -33791, -35640, -37489, -39336, -41176, -43006, -44821, -46617, -48390, -50137, -51853, -53534,
    -55178, -56778, -58333, -59838, -61289, -62684, -64019, -65290, -66494, -67629, -68692, -69679, -70590,
    -71420, -72169, -72835, -73415, -73908, -74313, -74630, -74856, -74992, 75038,
};

double WindowCoefficient(int i)
{
    if (i <= 256)
        return kWindowHalf[i] / 65536.0;
    int k = 512 - i;
    // Mirrored about the centre; the sign flips except where the mirror lands on a multiple of 64,
    // where both halves carry the same alternating block sign.
    return (k % 64 == 0 ? kWindowHalf[k] : -kWindowHalf[k]) / 65536.0;
}

} // namespace

void MpegInitSynthesis(MpegAudioDecoder& decoder)
{
    // Coefficients of the recursive halving for 32, 16, 8, 4 and 2 points, in that order.
    int at = 0;
    for (int n = 32; n >= 2; n /= 2)
        for (int i = 0; i < n / 2; ++i)
            decoder.dctCoef[at++] =
                static_cast<float>(1.0 / (2.0 * std::cos((2 * i + 1) * M_PI / (2.0 * n))));

    // The windowing of a slot that is s slots old reads the window at 64 (s / 2) + 32 (s odd) + j.
    for (int s = 0; s < 16; ++s)
        for (int j = 0; j < 32; ++j)
            decoder.synthWindow[s][j] =
                static_cast<float>(WindowCoefficient(64 * (s / 2) + 32 * (s % 2) + j));
}

// The 32-point DCT-II by recursive halving: at each size N the sums x[i] + x[N-1-i] go to one
// half-size DCT and the differences, weighted by c = 1 / (2 cos((2i + 1) pi / 2N)), to the
// other; the results recombine as X[2k] = A[k], X[2k+1] = B[k] + B[k+1]. Written out level by
// level (t1, t2, ... in the order the recursion makes them) so that every value stays in a
// register; `in` and `out` may be the same array.
void MpegDct32(const float* c, const float* in, float* out)
{
    const float t1 = in[0] + in[31];
    const float t2 = (in[0] - in[31]) * c[0];
    const float t3 = in[1] + in[30];
    const float t4 = (in[1] - in[30]) * c[1];
    const float t5 = in[2] + in[29];
    const float t6 = (in[2] - in[29]) * c[2];
    const float t7 = in[3] + in[28];
    const float t8 = (in[3] - in[28]) * c[3];
    const float t9 = in[4] + in[27];
    const float t10 = (in[4] - in[27]) * c[4];
    const float t11 = in[5] + in[26];
    const float t12 = (in[5] - in[26]) * c[5];
    const float t13 = in[6] + in[25];
    const float t14 = (in[6] - in[25]) * c[6];
    const float t15 = in[7] + in[24];
    const float t16 = (in[7] - in[24]) * c[7];
    const float t17 = in[8] + in[23];
    const float t18 = (in[8] - in[23]) * c[8];
    const float t19 = in[9] + in[22];
    const float t20 = (in[9] - in[22]) * c[9];
    const float t21 = in[10] + in[21];
    const float t22 = (in[10] - in[21]) * c[10];
    const float t23 = in[11] + in[20];
    const float t24 = (in[11] - in[20]) * c[11];
    const float t25 = in[12] + in[19];
    const float t26 = (in[12] - in[19]) * c[12];
    const float t27 = in[13] + in[18];
    const float t28 = (in[13] - in[18]) * c[13];
    const float t29 = in[14] + in[17];
    const float t30 = (in[14] - in[17]) * c[14];
    const float t31 = in[15] + in[16];
    const float t32 = (in[15] - in[16]) * c[15];
    const float t33 = t1 + t31;
    const float t34 = (t1 - t31) * c[16];
    const float t35 = t3 + t29;
    const float t36 = (t3 - t29) * c[17];
    const float t37 = t5 + t27;
    const float t38 = (t5 - t27) * c[18];
    const float t39 = t7 + t25;
    const float t40 = (t7 - t25) * c[19];
    const float t41 = t9 + t23;
    const float t42 = (t9 - t23) * c[20];
    const float t43 = t11 + t21;
    const float t44 = (t11 - t21) * c[21];
    const float t45 = t13 + t19;
    const float t46 = (t13 - t19) * c[22];
    const float t47 = t15 + t17;
    const float t48 = (t15 - t17) * c[23];
    const float t49 = t33 + t47;
    const float t50 = (t33 - t47) * c[24];
    const float t51 = t35 + t45;
    const float t52 = (t35 - t45) * c[25];
    const float t53 = t37 + t43;
    const float t54 = (t37 - t43) * c[26];
    const float t55 = t39 + t41;
    const float t56 = (t39 - t41) * c[27];
    const float t57 = t49 + t55;
    const float t58 = (t49 - t55) * c[28];
    const float t59 = t51 + t53;
    const float t60 = (t51 - t53) * c[29];
    const float t61 = t57 + t59;
    const float t62 = (t57 - t59) * c[30];
    const float t63 = t58 + t60;
    const float t64 = (t58 - t60) * c[30];
    const float t65 = t63 + t64;
    const float t66 = t50 + t56;
    const float t67 = (t50 - t56) * c[28];
    const float t68 = t52 + t54;
    const float t69 = (t52 - t54) * c[29];
    const float t70 = t66 + t68;
    const float t71 = (t66 - t68) * c[30];
    const float t72 = t67 + t69;
    const float t73 = (t67 - t69) * c[30];
    const float t74 = t72 + t73;
    const float t75 = t70 + t74;
    const float t76 = t74 + t71;
    const float t77 = t71 + t73;
    const float t78 = t34 + t48;
    const float t79 = (t34 - t48) * c[24];
    const float t80 = t36 + t46;
    const float t81 = (t36 - t46) * c[25];
    const float t82 = t38 + t44;
    const float t83 = (t38 - t44) * c[26];
    const float t84 = t40 + t42;
    const float t85 = (t40 - t42) * c[27];
    const float t86 = t78 + t84;
    const float t87 = (t78 - t84) * c[28];
    const float t88 = t80 + t82;
    const float t89 = (t80 - t82) * c[29];
    const float t90 = t86 + t88;
    const float t91 = (t86 - t88) * c[30];
    const float t92 = t87 + t89;
    const float t93 = (t87 - t89) * c[30];
    const float t94 = t92 + t93;
    const float t95 = t79 + t85;
    const float t96 = (t79 - t85) * c[28];
    const float t97 = t81 + t83;
    const float t98 = (t81 - t83) * c[29];
    const float t99 = t95 + t97;
    const float t100 = (t95 - t97) * c[30];
    const float t101 = t96 + t98;
    const float t102 = (t96 - t98) * c[30];
    const float t103 = t101 + t102;
    const float t104 = t99 + t103;
    const float t105 = t103 + t100;
    const float t106 = t100 + t102;
    const float t107 = t90 + t104;
    const float t108 = t104 + t94;
    const float t109 = t94 + t105;
    const float t110 = t105 + t91;
    const float t111 = t91 + t106;
    const float t112 = t106 + t93;
    const float t113 = t93 + t102;
    const float t114 = t2 + t32;
    const float t115 = (t2 - t32) * c[16];
    const float t116 = t4 + t30;
    const float t117 = (t4 - t30) * c[17];
    const float t118 = t6 + t28;
    const float t119 = (t6 - t28) * c[18];
    const float t120 = t8 + t26;
    const float t121 = (t8 - t26) * c[19];
    const float t122 = t10 + t24;
    const float t123 = (t10 - t24) * c[20];
    const float t124 = t12 + t22;
    const float t125 = (t12 - t22) * c[21];
    const float t126 = t14 + t20;
    const float t127 = (t14 - t20) * c[22];
    const float t128 = t16 + t18;
    const float t129 = (t16 - t18) * c[23];
    const float t130 = t114 + t128;
    const float t131 = (t114 - t128) * c[24];
    const float t132 = t116 + t126;
    const float t133 = (t116 - t126) * c[25];
    const float t134 = t118 + t124;
    const float t135 = (t118 - t124) * c[26];
    const float t136 = t120 + t122;
    const float t137 = (t120 - t122) * c[27];
    const float t138 = t130 + t136;
    const float t139 = (t130 - t136) * c[28];
    const float t140 = t132 + t134;
    const float t141 = (t132 - t134) * c[29];
    const float t142 = t138 + t140;
    const float t143 = (t138 - t140) * c[30];
    const float t144 = t139 + t141;
    const float t145 = (t139 - t141) * c[30];
    const float t146 = t144 + t145;
    const float t147 = t131 + t137;
    const float t148 = (t131 - t137) * c[28];
    const float t149 = t133 + t135;
    const float t150 = (t133 - t135) * c[29];
    const float t151 = t147 + t149;
    const float t152 = (t147 - t149) * c[30];
    const float t153 = t148 + t150;
    const float t154 = (t148 - t150) * c[30];
    const float t155 = t153 + t154;
    const float t156 = t151 + t155;
    const float t157 = t155 + t152;
    const float t158 = t152 + t154;
    const float t159 = t115 + t129;
    const float t160 = (t115 - t129) * c[24];
    const float t161 = t117 + t127;
    const float t162 = (t117 - t127) * c[25];
    const float t163 = t119 + t125;
    const float t164 = (t119 - t125) * c[26];
    const float t165 = t121 + t123;
    const float t166 = (t121 - t123) * c[27];
    const float t167 = t159 + t165;
    const float t168 = (t159 - t165) * c[28];
    const float t169 = t161 + t163;
    const float t170 = (t161 - t163) * c[29];
    const float t171 = t167 + t169;
    const float t172 = (t167 - t169) * c[30];
    const float t173 = t168 + t170;
    const float t174 = (t168 - t170) * c[30];
    const float t175 = t173 + t174;
    const float t176 = t160 + t166;
    const float t177 = (t160 - t166) * c[28];
    const float t178 = t162 + t164;
    const float t179 = (t162 - t164) * c[29];
    const float t180 = t176 + t178;
    const float t181 = (t176 - t178) * c[30];
    const float t182 = t177 + t179;
    const float t183 = (t177 - t179) * c[30];
    const float t184 = t182 + t183;
    const float t185 = t180 + t184;
    const float t186 = t184 + t181;
    const float t187 = t181 + t183;
    const float t188 = t171 + t185;
    const float t189 = t185 + t175;
    const float t190 = t175 + t186;
    const float t191 = t186 + t172;
    const float t192 = t172 + t187;
    const float t193 = t187 + t174;
    const float t194 = t174 + t183;
    const float t195 = t142 + t188;
    const float t196 = t188 + t156;
    const float t197 = t156 + t189;
    const float t198 = t189 + t146;
    const float t199 = t146 + t190;
    const float t200 = t190 + t157;
    const float t201 = t157 + t191;
    const float t202 = t191 + t143;
    const float t203 = t143 + t192;
    const float t204 = t192 + t158;
    const float t205 = t158 + t193;
    const float t206 = t193 + t145;
    const float t207 = t145 + t194;
    const float t208 = t194 + t154;
    const float t209 = t154 + t183;
    out[0] = t61;
    out[1] = t195;
    out[2] = t107;
    out[3] = t196;
    out[4] = t75;
    out[5] = t197;
    out[6] = t108;
    out[7] = t198;
    out[8] = t65;
    out[9] = t199;
    out[10] = t109;
    out[11] = t200;
    out[12] = t76;
    out[13] = t201;
    out[14] = t110;
    out[15] = t202;
    out[16] = t62;
    out[17] = t203;
    out[18] = t111;
    out[19] = t204;
    out[20] = t77;
    out[21] = t205;
    out[22] = t112;
    out[23] = t206;
    out[24] = t64;
    out[25] = t207;
    out[26] = t113;
    out[27] = t208;
    out[28] = t73;
    out[29] = t209;
    out[30] = t102;
    out[31] = t183;
}

namespace
{
// The same DCT, its results written straight as the matrixing's 64 values in the order the
// windowing reads them: V[j] = X[16 + j] (j < 16), 0 (j = 16), -X[48 - j] (j > 16);
// V[32 + j] = -X[16 - j] (j <= 16), -X[j - 16] (j > 16).
void Dct32ToMatrixing(const float* c, const float* in, float* v)
{
    const float t1 = in[0] + in[31];
    const float t2 = (in[0] - in[31]) * c[0];
    const float t3 = in[1] + in[30];
    const float t4 = (in[1] - in[30]) * c[1];
    const float t5 = in[2] + in[29];
    const float t6 = (in[2] - in[29]) * c[2];
    const float t7 = in[3] + in[28];
    const float t8 = (in[3] - in[28]) * c[3];
    const float t9 = in[4] + in[27];
    const float t10 = (in[4] - in[27]) * c[4];
    const float t11 = in[5] + in[26];
    const float t12 = (in[5] - in[26]) * c[5];
    const float t13 = in[6] + in[25];
    const float t14 = (in[6] - in[25]) * c[6];
    const float t15 = in[7] + in[24];
    const float t16 = (in[7] - in[24]) * c[7];
    const float t17 = in[8] + in[23];
    const float t18 = (in[8] - in[23]) * c[8];
    const float t19 = in[9] + in[22];
    const float t20 = (in[9] - in[22]) * c[9];
    const float t21 = in[10] + in[21];
    const float t22 = (in[10] - in[21]) * c[10];
    const float t23 = in[11] + in[20];
    const float t24 = (in[11] - in[20]) * c[11];
    const float t25 = in[12] + in[19];
    const float t26 = (in[12] - in[19]) * c[12];
    const float t27 = in[13] + in[18];
    const float t28 = (in[13] - in[18]) * c[13];
    const float t29 = in[14] + in[17];
    const float t30 = (in[14] - in[17]) * c[14];
    const float t31 = in[15] + in[16];
    const float t32 = (in[15] - in[16]) * c[15];
    const float t33 = t1 + t31;
    const float t34 = (t1 - t31) * c[16];
    const float t35 = t3 + t29;
    const float t36 = (t3 - t29) * c[17];
    const float t37 = t5 + t27;
    const float t38 = (t5 - t27) * c[18];
    const float t39 = t7 + t25;
    const float t40 = (t7 - t25) * c[19];
    const float t41 = t9 + t23;
    const float t42 = (t9 - t23) * c[20];
    const float t43 = t11 + t21;
    const float t44 = (t11 - t21) * c[21];
    const float t45 = t13 + t19;
    const float t46 = (t13 - t19) * c[22];
    const float t47 = t15 + t17;
    const float t48 = (t15 - t17) * c[23];
    const float t49 = t33 + t47;
    const float t50 = (t33 - t47) * c[24];
    const float t51 = t35 + t45;
    const float t52 = (t35 - t45) * c[25];
    const float t53 = t37 + t43;
    const float t54 = (t37 - t43) * c[26];
    const float t55 = t39 + t41;
    const float t56 = (t39 - t41) * c[27];
    const float t57 = t49 + t55;
    const float t58 = (t49 - t55) * c[28];
    const float t59 = t51 + t53;
    const float t60 = (t51 - t53) * c[29];
    const float t61 = t57 + t59;
    const float t62 = (t57 - t59) * c[30];
    const float t63 = t58 + t60;
    const float t64 = (t58 - t60) * c[30];
    const float t65 = t63 + t64;
    const float t66 = t50 + t56;
    const float t67 = (t50 - t56) * c[28];
    const float t68 = t52 + t54;
    const float t69 = (t52 - t54) * c[29];
    const float t70 = t66 + t68;
    const float t71 = (t66 - t68) * c[30];
    const float t72 = t67 + t69;
    const float t73 = (t67 - t69) * c[30];
    const float t74 = t72 + t73;
    const float t75 = t70 + t74;
    const float t76 = t74 + t71;
    const float t77 = t71 + t73;
    const float t78 = t34 + t48;
    const float t79 = (t34 - t48) * c[24];
    const float t80 = t36 + t46;
    const float t81 = (t36 - t46) * c[25];
    const float t82 = t38 + t44;
    const float t83 = (t38 - t44) * c[26];
    const float t84 = t40 + t42;
    const float t85 = (t40 - t42) * c[27];
    const float t86 = t78 + t84;
    const float t87 = (t78 - t84) * c[28];
    const float t88 = t80 + t82;
    const float t89 = (t80 - t82) * c[29];
    const float t90 = t86 + t88;
    const float t91 = (t86 - t88) * c[30];
    const float t92 = t87 + t89;
    const float t93 = (t87 - t89) * c[30];
    const float t94 = t92 + t93;
    const float t95 = t79 + t85;
    const float t96 = (t79 - t85) * c[28];
    const float t97 = t81 + t83;
    const float t98 = (t81 - t83) * c[29];
    const float t99 = t95 + t97;
    const float t100 = (t95 - t97) * c[30];
    const float t101 = t96 + t98;
    const float t102 = (t96 - t98) * c[30];
    const float t103 = t101 + t102;
    const float t104 = t99 + t103;
    const float t105 = t103 + t100;
    const float t106 = t100 + t102;
    const float t107 = t90 + t104;
    const float t108 = t104 + t94;
    const float t109 = t94 + t105;
    const float t110 = t105 + t91;
    const float t111 = t91 + t106;
    const float t112 = t106 + t93;
    const float t113 = t93 + t102;
    const float t114 = t2 + t32;
    const float t115 = (t2 - t32) * c[16];
    const float t116 = t4 + t30;
    const float t117 = (t4 - t30) * c[17];
    const float t118 = t6 + t28;
    const float t119 = (t6 - t28) * c[18];
    const float t120 = t8 + t26;
    const float t121 = (t8 - t26) * c[19];
    const float t122 = t10 + t24;
    const float t123 = (t10 - t24) * c[20];
    const float t124 = t12 + t22;
    const float t125 = (t12 - t22) * c[21];
    const float t126 = t14 + t20;
    const float t127 = (t14 - t20) * c[22];
    const float t128 = t16 + t18;
    const float t129 = (t16 - t18) * c[23];
    const float t130 = t114 + t128;
    const float t131 = (t114 - t128) * c[24];
    const float t132 = t116 + t126;
    const float t133 = (t116 - t126) * c[25];
    const float t134 = t118 + t124;
    const float t135 = (t118 - t124) * c[26];
    const float t136 = t120 + t122;
    const float t137 = (t120 - t122) * c[27];
    const float t138 = t130 + t136;
    const float t139 = (t130 - t136) * c[28];
    const float t140 = t132 + t134;
    const float t141 = (t132 - t134) * c[29];
    const float t142 = t138 + t140;
    const float t143 = (t138 - t140) * c[30];
    const float t144 = t139 + t141;
    const float t145 = (t139 - t141) * c[30];
    const float t146 = t144 + t145;
    const float t147 = t131 + t137;
    const float t148 = (t131 - t137) * c[28];
    const float t149 = t133 + t135;
    const float t150 = (t133 - t135) * c[29];
    const float t151 = t147 + t149;
    const float t152 = (t147 - t149) * c[30];
    const float t153 = t148 + t150;
    const float t154 = (t148 - t150) * c[30];
    const float t155 = t153 + t154;
    const float t156 = t151 + t155;
    const float t157 = t155 + t152;
    const float t158 = t152 + t154;
    const float t159 = t115 + t129;
    const float t160 = (t115 - t129) * c[24];
    const float t161 = t117 + t127;
    const float t162 = (t117 - t127) * c[25];
    const float t163 = t119 + t125;
    const float t164 = (t119 - t125) * c[26];
    const float t165 = t121 + t123;
    const float t166 = (t121 - t123) * c[27];
    const float t167 = t159 + t165;
    const float t168 = (t159 - t165) * c[28];
    const float t169 = t161 + t163;
    const float t170 = (t161 - t163) * c[29];
    const float t171 = t167 + t169;
    const float t172 = (t167 - t169) * c[30];
    const float t173 = t168 + t170;
    const float t174 = (t168 - t170) * c[30];
    const float t175 = t173 + t174;
    const float t176 = t160 + t166;
    const float t177 = (t160 - t166) * c[28];
    const float t178 = t162 + t164;
    const float t179 = (t162 - t164) * c[29];
    const float t180 = t176 + t178;
    const float t181 = (t176 - t178) * c[30];
    const float t182 = t177 + t179;
    const float t183 = (t177 - t179) * c[30];
    const float t184 = t182 + t183;
    const float t185 = t180 + t184;
    const float t186 = t184 + t181;
    const float t187 = t181 + t183;
    const float t188 = t171 + t185;
    const float t189 = t185 + t175;
    const float t190 = t175 + t186;
    const float t191 = t186 + t172;
    const float t192 = t172 + t187;
    const float t193 = t187 + t174;
    const float t194 = t174 + t183;
    const float t195 = t142 + t188;
    const float t196 = t188 + t156;
    const float t197 = t156 + t189;
    const float t198 = t189 + t146;
    const float t199 = t146 + t190;
    const float t200 = t190 + t157;
    const float t201 = t157 + t191;
    const float t202 = t191 + t143;
    const float t203 = t143 + t192;
    const float t204 = t192 + t158;
    const float t205 = t158 + t193;
    const float t206 = t193 + t145;
    const float t207 = t145 + t194;
    const float t208 = t194 + t154;
    const float t209 = t154 + t183;
    v[0] = t62;
    v[1] = t203;
    v[2] = t111;
    v[3] = t204;
    v[4] = t77;
    v[5] = t205;
    v[6] = t112;
    v[7] = t206;
    v[8] = t64;
    v[9] = t207;
    v[10] = t113;
    v[11] = t208;
    v[12] = t73;
    v[13] = t209;
    v[14] = t102;
    v[15] = t183;
    v[16] = 0.0f;
    v[17] = -t183;
    v[18] = -t102;
    v[19] = -t209;
    v[20] = -t73;
    v[21] = -t208;
    v[22] = -t113;
    v[23] = -t207;
    v[24] = -t64;
    v[25] = -t206;
    v[26] = -t112;
    v[27] = -t205;
    v[28] = -t77;
    v[29] = -t204;
    v[30] = -t111;
    v[31] = -t203;
    v[32] = -t62;
    v[33] = -t202;
    v[34] = -t110;
    v[35] = -t201;
    v[36] = -t76;
    v[37] = -t200;
    v[38] = -t109;
    v[39] = -t199;
    v[40] = -t65;
    v[41] = -t198;
    v[42] = -t108;
    v[43] = -t197;
    v[44] = -t75;
    v[45] = -t196;
    v[46] = -t107;
    v[47] = -t195;
    v[48] = -t61;
    v[49] = -t195;
    v[50] = -t107;
    v[51] = -t196;
    v[52] = -t75;
    v[53] = -t197;
    v[54] = -t108;
    v[55] = -t198;
    v[56] = -t65;
    v[57] = -t199;
    v[58] = -t109;
    v[59] = -t200;
    v[60] = -t76;
    v[61] = -t201;
    v[62] = -t110;
    v[63] = -t202;
}
} // namespace

int16_t MpegClampSample(float sum)
{
    // The same clamp as the windowing's, one value at a time.
    float c = sum >= 32767.0f ? 32767.0f : sum;
    c = c <= -32768.0f ? -32768.0f : c;
    c = c == c ? c : 0.0f;
    return static_cast<int16_t>(static_cast<int32_t>(c));
}

void MpegSubbandSynthesis(MpegAudioDecoder& decoder, int slots, const float (*samples)[32], int channel,
                          int channelCount, int16_t* output)
{
    float(*ring)[64] = decoder.ring[channel];
    int pos = decoder.ringPos[channel];
    int16_t* out = output + channel;
    for (int t = 0; t < slots; ++t)
    {
        // The first half of a slot's 64 values serves it while its age is even, the second
        // while it is odd.
        Dct32ToMatrixing(decoder.dctCoef, samples[t], ring[pos]);
        int16_t pcm[32];
        WindowSlot(ring, pos, decoder.synthWindow, pcm);
        for (int j = 0; j < 32; ++j)
        {
            *out = pcm[j];
            out += channelCount;
        }
        pos = (pos - 1) & 15;
    }
    decoder.ringPos[channel] = pos;
}

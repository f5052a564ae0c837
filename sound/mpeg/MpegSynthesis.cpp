#include <cmath>
#include <cstring>

#include "sound/mpeg/MpegAudioDecoder.h"
#include "sound/mpeg/MpegVector.h"

namespace
{
using mpegvec::Float4;
using mpegvec::Float8;
using mpegvec::Int8;
using mpegvec::Short8;

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

namespace
{
// The 32-point DCT-II by recursive halving: at each size N the sums x[i] + x[N-1-i] go to one
// half-size DCT and the differences, weighted by c = 1 / (2 cos((2i + 1) pi / 2N)), to the
// other; the results recombine as X[2k] = A[k], X[2k+1] = B[k] + B[k+1]. Written out level by
// level (t1, t2, ... in the order the recursion makes them) so that every value stays in a
// register. The results go straight out as the matrixing's 64 values in the order the windowing
// reads them: V[j] = X[16 + j] (j < 16), 0 (j = 16), -X[48 - j] (j > 16);
// V[32 + j] = -X[16 - j] (j <= 16), -X[j - 16] (j > 16).
// T is float for one time slot or Float4 for four; each element sees the same operations in the
// same order, so both give the same bits.
template <typename T>
inline __attribute__((always_inline)) void Dct32ToMatrixing(const float* c, const T* in, T* v)
{
    const T t1 = in[0] + in[31];
    const T t2 = (in[0] - in[31]) * c[0];
    const T t3 = in[1] + in[30];
    const T t4 = (in[1] - in[30]) * c[1];
    const T t5 = in[2] + in[29];
    const T t6 = (in[2] - in[29]) * c[2];
    const T t7 = in[3] + in[28];
    const T t8 = (in[3] - in[28]) * c[3];
    const T t9 = in[4] + in[27];
    const T t10 = (in[4] - in[27]) * c[4];
    const T t11 = in[5] + in[26];
    const T t12 = (in[5] - in[26]) * c[5];
    const T t13 = in[6] + in[25];
    const T t14 = (in[6] - in[25]) * c[6];
    const T t15 = in[7] + in[24];
    const T t16 = (in[7] - in[24]) * c[7];
    const T t17 = in[8] + in[23];
    const T t18 = (in[8] - in[23]) * c[8];
    const T t19 = in[9] + in[22];
    const T t20 = (in[9] - in[22]) * c[9];
    const T t21 = in[10] + in[21];
    const T t22 = (in[10] - in[21]) * c[10];
    const T t23 = in[11] + in[20];
    const T t24 = (in[11] - in[20]) * c[11];
    const T t25 = in[12] + in[19];
    const T t26 = (in[12] - in[19]) * c[12];
    const T t27 = in[13] + in[18];
    const T t28 = (in[13] - in[18]) * c[13];
    const T t29 = in[14] + in[17];
    const T t30 = (in[14] - in[17]) * c[14];
    const T t31 = in[15] + in[16];
    const T t32 = (in[15] - in[16]) * c[15];
    const T t33 = t1 + t31;
    const T t34 = (t1 - t31) * c[16];
    const T t35 = t3 + t29;
    const T t36 = (t3 - t29) * c[17];
    const T t37 = t5 + t27;
    const T t38 = (t5 - t27) * c[18];
    const T t39 = t7 + t25;
    const T t40 = (t7 - t25) * c[19];
    const T t41 = t9 + t23;
    const T t42 = (t9 - t23) * c[20];
    const T t43 = t11 + t21;
    const T t44 = (t11 - t21) * c[21];
    const T t45 = t13 + t19;
    const T t46 = (t13 - t19) * c[22];
    const T t47 = t15 + t17;
    const T t48 = (t15 - t17) * c[23];
    const T t49 = t33 + t47;
    const T t50 = (t33 - t47) * c[24];
    const T t51 = t35 + t45;
    const T t52 = (t35 - t45) * c[25];
    const T t53 = t37 + t43;
    const T t54 = (t37 - t43) * c[26];
    const T t55 = t39 + t41;
    const T t56 = (t39 - t41) * c[27];
    const T t57 = t49 + t55;
    const T t58 = (t49 - t55) * c[28];
    const T t59 = t51 + t53;
    const T t60 = (t51 - t53) * c[29];
    const T t61 = t57 + t59;
    const T t62 = (t57 - t59) * c[30];
    const T t63 = t58 + t60;
    const T t64 = (t58 - t60) * c[30];
    const T t65 = t63 + t64;
    const T t66 = t50 + t56;
    const T t67 = (t50 - t56) * c[28];
    const T t68 = t52 + t54;
    const T t69 = (t52 - t54) * c[29];
    const T t70 = t66 + t68;
    const T t71 = (t66 - t68) * c[30];
    const T t72 = t67 + t69;
    const T t73 = (t67 - t69) * c[30];
    const T t74 = t72 + t73;
    const T t75 = t70 + t74;
    const T t76 = t74 + t71;
    const T t77 = t71 + t73;
    const T t78 = t34 + t48;
    const T t79 = (t34 - t48) * c[24];
    const T t80 = t36 + t46;
    const T t81 = (t36 - t46) * c[25];
    const T t82 = t38 + t44;
    const T t83 = (t38 - t44) * c[26];
    const T t84 = t40 + t42;
    const T t85 = (t40 - t42) * c[27];
    const T t86 = t78 + t84;
    const T t87 = (t78 - t84) * c[28];
    const T t88 = t80 + t82;
    const T t89 = (t80 - t82) * c[29];
    const T t90 = t86 + t88;
    const T t91 = (t86 - t88) * c[30];
    const T t92 = t87 + t89;
    const T t93 = (t87 - t89) * c[30];
    const T t94 = t92 + t93;
    const T t95 = t79 + t85;
    const T t96 = (t79 - t85) * c[28];
    const T t97 = t81 + t83;
    const T t98 = (t81 - t83) * c[29];
    const T t99 = t95 + t97;
    const T t100 = (t95 - t97) * c[30];
    const T t101 = t96 + t98;
    const T t102 = (t96 - t98) * c[30];
    const T t103 = t101 + t102;
    const T t104 = t99 + t103;
    const T t105 = t103 + t100;
    const T t106 = t100 + t102;
    const T t107 = t90 + t104;
    const T t108 = t104 + t94;
    const T t109 = t94 + t105;
    const T t110 = t105 + t91;
    const T t111 = t91 + t106;
    const T t112 = t106 + t93;
    const T t113 = t93 + t102;
    const T t114 = t2 + t32;
    const T t115 = (t2 - t32) * c[16];
    const T t116 = t4 + t30;
    const T t117 = (t4 - t30) * c[17];
    const T t118 = t6 + t28;
    const T t119 = (t6 - t28) * c[18];
    const T t120 = t8 + t26;
    const T t121 = (t8 - t26) * c[19];
    const T t122 = t10 + t24;
    const T t123 = (t10 - t24) * c[20];
    const T t124 = t12 + t22;
    const T t125 = (t12 - t22) * c[21];
    const T t126 = t14 + t20;
    const T t127 = (t14 - t20) * c[22];
    const T t128 = t16 + t18;
    const T t129 = (t16 - t18) * c[23];
    const T t130 = t114 + t128;
    const T t131 = (t114 - t128) * c[24];
    const T t132 = t116 + t126;
    const T t133 = (t116 - t126) * c[25];
    const T t134 = t118 + t124;
    const T t135 = (t118 - t124) * c[26];
    const T t136 = t120 + t122;
    const T t137 = (t120 - t122) * c[27];
    const T t138 = t130 + t136;
    const T t139 = (t130 - t136) * c[28];
    const T t140 = t132 + t134;
    const T t141 = (t132 - t134) * c[29];
    const T t142 = t138 + t140;
    const T t143 = (t138 - t140) * c[30];
    const T t144 = t139 + t141;
    const T t145 = (t139 - t141) * c[30];
    const T t146 = t144 + t145;
    const T t147 = t131 + t137;
    const T t148 = (t131 - t137) * c[28];
    const T t149 = t133 + t135;
    const T t150 = (t133 - t135) * c[29];
    const T t151 = t147 + t149;
    const T t152 = (t147 - t149) * c[30];
    const T t153 = t148 + t150;
    const T t154 = (t148 - t150) * c[30];
    const T t155 = t153 + t154;
    const T t156 = t151 + t155;
    const T t157 = t155 + t152;
    const T t158 = t152 + t154;
    const T t159 = t115 + t129;
    const T t160 = (t115 - t129) * c[24];
    const T t161 = t117 + t127;
    const T t162 = (t117 - t127) * c[25];
    const T t163 = t119 + t125;
    const T t164 = (t119 - t125) * c[26];
    const T t165 = t121 + t123;
    const T t166 = (t121 - t123) * c[27];
    const T t167 = t159 + t165;
    const T t168 = (t159 - t165) * c[28];
    const T t169 = t161 + t163;
    const T t170 = (t161 - t163) * c[29];
    const T t171 = t167 + t169;
    const T t172 = (t167 - t169) * c[30];
    const T t173 = t168 + t170;
    const T t174 = (t168 - t170) * c[30];
    const T t175 = t173 + t174;
    const T t176 = t160 + t166;
    const T t177 = (t160 - t166) * c[28];
    const T t178 = t162 + t164;
    const T t179 = (t162 - t164) * c[29];
    const T t180 = t176 + t178;
    const T t181 = (t176 - t178) * c[30];
    const T t182 = t177 + t179;
    const T t183 = (t177 - t179) * c[30];
    const T t184 = t182 + t183;
    const T t185 = t180 + t184;
    const T t186 = t184 + t181;
    const T t187 = t181 + t183;
    const T t188 = t171 + t185;
    const T t189 = t185 + t175;
    const T t190 = t175 + t186;
    const T t191 = t186 + t172;
    const T t192 = t172 + t187;
    const T t193 = t187 + t174;
    const T t194 = t174 + t183;
    const T t195 = t142 + t188;
    const T t196 = t188 + t156;
    const T t197 = t156 + t189;
    const T t198 = t189 + t146;
    const T t199 = t146 + t190;
    const T t200 = t190 + t157;
    const T t201 = t157 + t191;
    const T t202 = t191 + t143;
    const T t203 = t143 + t192;
    const T t204 = t192 + t158;
    const T t205 = t158 + t193;
    const T t206 = t193 + t145;
    const T t207 = t145 + t194;
    const T t208 = t194 + t154;
    const T t209 = t154 + t183;
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
    v[16] = T{};
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

// Product of eight window values and eight ring values (returned through `sum` to keep the
// 32-byte value out of a function result, whose passing would differ between the two clones).
inline __attribute__((always_inline)) void AddProduct8(Float8& sum, const float* w, const float* r)
{
    Float8 wv, rv;
    std::memcpy(&wv, w, sizeof(wv));
    std::memcpy(&rv, r, sizeof(rv));
    sum += wv * rv;
}

// Clamps eight windowed sums to 16 bits while still float (NaN from damaged data becomes 0) and
// truncates them toward zero.
inline __attribute__((always_inline)) void ClampToShort8(const Float8& sum, Short8& pcm)
{
    const Float8 high = {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767};
    const Float8 low = -high - 1;
    const Float8 zero = {};
    Float8 c = sum >= high ? high : sum;
    c = c <= low ? low : c;
    c = c == c ? c : zero;
    pcm = __builtin_convertvector(__builtin_convertvector(c, Int8), Short8);
}

// The windowing of one time slot: 32 sums of 16 products, each in slot order. The four sums are
// named values so that they stay in registers through all 16 slots.
inline __attribute__((always_inline)) void WindowSlot(const float (*ring)[64], int pos,
                                                      const float (*window)[32], int16_t* pcm)
{
    Float8 a0 = {}, a1 = {}, a2 = {}, a3 = {};
#pragma GCC unroll 16
    for (int s = 0; s < 16; ++s)
    {
        const float* r = ring[(pos + s) & 15] + 32 * (s & 1);
        const float* w = window[s];
        AddProduct8(a0, w, r);
        AddProduct8(a1, w + 8, r + 8);
        AddProduct8(a2, w + 16, r + 16);
        AddProduct8(a3, w + 24, r + 24);
    }
    const Float8 acc[4] = {a0, a1, a2, a3};
    for (int q = 0; q < 4; ++q)
    {
        Short8 v;
        ClampToShort8(acc[q], v);
        std::memcpy(pcm + 8 * q, &v, sizeof(v));
    }
}

// The same windowing for both channels of a slot at once (each window value is loaded once for
// the two), written out interleaved left, right: 64 samples.
inline __attribute__((always_inline)) void WindowSlotPair(const float (*left)[64], const float (*right)[64],
                                                          int pos, const float (*window)[32], int16_t* out)
{
    Float8 l0 = {}, l1 = {}, l2 = {}, l3 = {};
    Float8 r0 = {}, r1 = {}, r2 = {}, r3 = {};
#pragma GCC unroll 16
    for (int s = 0; s < 16; ++s)
    {
        const int slot = (pos + s) & 15;
        const float* a = left[slot] + 32 * (s & 1);
        const float* b = right[slot] + 32 * (s & 1);
        const float* w = window[s];
        AddProduct8(l0, w, a);
        AddProduct8(r0, w, b);
        AddProduct8(l1, w + 8, a + 8);
        AddProduct8(r1, w + 8, b + 8);
        AddProduct8(l2, w + 16, a + 16);
        AddProduct8(r2, w + 16, b + 16);
        AddProduct8(l3, w + 24, a + 24);
        AddProduct8(r3, w + 24, b + 24);
    }
    const Float8 accL[4] = {l0, l1, l2, l3};
    const Float8 accR[4] = {r0, r1, r2, r3};
    for (int q = 0; q < 4; ++q)
    {
        Short8 a, b;
        ClampToShort8(accL[q], a);
        ClampToShort8(accR[q], b);
        Short8 low, high;
        mpegvec::Interleave8(a, b, low, high);
        std::memcpy(out + 16 * q, &low, sizeof(low));
        std::memcpy(out + 16 * q + 8, &high, sizeof(high));
    }
}

// The DCT of up to four time slots (`n`, at least one) of one channel at once, one slot per
// element, written back as one row of 64 values per slot. A group of fewer than four repeats its
// last slot; the extra rows are not used.
inline __attribute__((always_inline)) void DctGroup(const float* coef, const float (*samples)[32], int n,
                                                    float (*rows)[64])
{
    const float* row[4];
    for (int k = 0; k < 4; ++k)
        row[k] = samples[k < n ? k : n - 1];
    Float4 in[32];
    for (int i = 0; i < 32; i += 4)
    {
        Float4 a, b, c, d;
        mpegvec::Load(a, row[0] + i);
        mpegvec::Load(b, row[1] + i);
        mpegvec::Load(c, row[2] + i);
        mpegvec::Load(d, row[3] + i);
        mpegvec::Transpose4(a, b, c, d);
        in[i] = a, in[i + 1] = b, in[i + 2] = c, in[i + 3] = d;
    }
    Float4 v[64];
    Dct32ToMatrixing(coef, in, v);
    for (int i = 0; i < 64; i += 4)
    {
        Float4 a = v[i], b = v[i + 1], c = v[i + 2], d = v[i + 3];
        mpegvec::Transpose4(a, b, c, d);
        std::memcpy(rows[0] + i, &a, sizeof(a));
        std::memcpy(rows[1] + i, &b, sizeof(b));
        std::memcpy(rows[2] + i, &c, sizeof(c));
        std::memcpy(rows[3] + i, &d, sizeof(d));
    }
}

// Synthesis of `slots` time slots of one channel, each output sample written every `stride`
// samples. Returns the new ring position. The DCT's rows wait outside the ring until their slot
// comes: written in at once, the later slots' rows would overwrite the oldest row the earlier
// slots' windowing still reads.
NERULAN_WIDE_CLONES int SynthesizeSlots(const float* coef, const float (*window)[32], float (*ring)[64],
                                        int pos, const float (*samples)[32], int slots, int16_t* out,
                                        int stride)
{
    for (int t = 0; t < slots; t += 4)
    {
        const int n = slots - t < 4 ? slots - t : 4;
        float rows[4][64];
        DctGroup(coef, samples + t, n, rows);
        for (int k = 0; k < n; ++k)
        {
            // The first half of a slot's 64 values serves it while its age is even, the second
            // while it is odd.
            std::memcpy(ring[pos], rows[k], sizeof(rows[k]));
            int16_t pcm[32];
            WindowSlot(ring, pos, window, pcm);
            for (int j = 0; j < 32; ++j)
            {
                *out = pcm[j];
                out += stride;
            }
            pos = (pos - 1) & 15;
        }
    }
    return pos;
}

// The same for two channels whose rings stand at the same position, output interleaved.
NERULAN_WIDE_CLONES int SynthesizeStereo(const float* coef, const float (*window)[32], float (*ringL)[64],
                                         float (*ringR)[64], int pos, const float (*left)[32],
                                         const float (*right)[32], int slots, int16_t* out)
{
    for (int t = 0; t < slots; t += 4)
    {
        const int n = slots - t < 4 ? slots - t : 4;
        float rowsL[4][64], rowsR[4][64];
        DctGroup(coef, left + t, n, rowsL);
        DctGroup(coef, right + t, n, rowsR);
        for (int k = 0; k < n; ++k)
        {
            std::memcpy(ringL[pos], rowsL[k], sizeof(rowsL[k]));
            std::memcpy(ringR[pos], rowsR[k], sizeof(rowsR[k]));
            WindowSlotPair(ringL, ringR, pos, window, out);
            out += 64;
            pos = (pos - 1) & 15;
        }
    }
    return pos;
}
// The scalar twin of SynthesizeSlots: the same operations in the same order for each sample.
int SynthesizeSlotsScalar(const float* coef, const float (*window)[32], float (*ring)[64], int pos,
                          const float (*samples)[32], int slots, int16_t* out, int stride)
{
    for (int t = 0; t < slots; ++t)
    {
        Dct32ToMatrixing(coef, samples[t], ring[pos]);
        for (int j = 0; j < 32; ++j)
        {
            float sum = 0;
            for (int s = 0; s < 16; ++s)
                sum += window[s][j] * ring[(pos + s) & 15][32 * (s & 1) + j];
            *out = MpegClampSample(sum);
            out += stride;
        }
        pos = (pos - 1) & 15;
    }
    return pos;
}
} // namespace

void MpegDct32(const float* c, const float* in, float* out)
{
    // X[16 + j] = V[j] (j < 16), X[k] = -V[48 - k] (k <= 16).
    float v[64];
    Dct32ToMatrixing(c, in, v);
    for (int j = 0; j < 16; ++j)
        out[16 + j] = v[j];
    for (int k = 0; k < 16; ++k)
        out[k] = -v[48 - k];
}

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
    if (slots <= 0)
        return;
    auto* synthesize = decoder.vectorCode ? SynthesizeSlots : SynthesizeSlotsScalar;
    decoder.ringPos[channel] =
        synthesize(decoder.dctCoef, decoder.synthWindow, decoder.ring[channel], decoder.ringPos[channel],
                   samples, slots, output + channel, channelCount);
}

void MpegSynthesizeChannels(MpegAudioDecoder& decoder, int slots, const float (*left)[32],
                            const float (*right)[32], int channels, int16_t* output)
{
    if (slots <= 0)
        return;
    if (channels != 2 || decoder.ringPos[0] != decoder.ringPos[1] || !decoder.vectorCode)
    {
        // One channel, or rings that were advanced apart by single-channel calls.
        MpegSubbandSynthesis(decoder, slots, left, 0, channels, output);
        if (channels == 2)
            MpegSubbandSynthesis(decoder, slots, right, 1, channels, output);
        return;
    }
    const int pos = SynthesizeStereo(decoder.dctCoef, decoder.synthWindow, decoder.ring[0], decoder.ring[1],
                                     decoder.ringPos[0], left, right, slots, output);
    decoder.ringPos[0] = decoder.ringPos[1] = pos;
}

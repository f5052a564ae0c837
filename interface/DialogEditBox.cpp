#include "interface/DialogEditBox.h"

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItemState.h"
#include "interface/ItemStateRenderer.h"
#include "interface/ItemToDevice.h"
#include "interface/TextVariables.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"

#include <cstring>

namespace
{
constexpr uint32_t kBorderNumberMask = 0x00FFFFFF;
} // namespace

CDialogEditBox::CDialogEditBox(uint8_t behaviour, CDialogItem* parent) : CDialogItem(behaviour, parent) {}

CDialogEditBox::~CDialogEditBox()
{
    // A focused box that goes away must not stay the back end's focus.
    if (g_pDialogSystem != nullptr && g_pDialogSystem->GetFocusedEditBox() == this)
        g_pDialogSystem->SetFocusedEditBox(nullptr);
    delete[] m_firstText;
    delete[] m_secondText;
}

uint32_t CDialogEditBox::GetEffectiveMaximum() const
{
    return m_maximum == 0 || m_maximum > kTextLimit ? kTextLimit : m_maximum;
}

bool CDialogEditBox::IsFocused() const
{
    return g_pDialogSystem != nullptr && g_pDialogSystem->GetFocusedEditBox() == this;
}

void CDialogEditBox::Update(uint32_t elapsedMs)
{
    m_animationTimeMs += elapsedMs;
    if (m_animationTimeMs < kBlinkMs)
        return;
    // One toggle per update whatever the time gathered; the remainder carries over.
    m_animationTimeMs %= kBlinkMs;
    m_caretOn ^= 1;
    Invalidate();
}

bool CDialogEditBox::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    (void)x;
    (void)y;
    if (!IsVisible() || !IsEnabled())
        return false;
    if (kind == ItemMousePress)
    {
        if (g_pDialogSystem != nullptr)
            g_pDialogSystem->SetFocusedEditBox(this);
        PressItemChannels(this);
    }
    else if (kind == ItemMouseRelease || kind == ItemMouseForcedRelease)
    {
        ReleaseItemChannels(this);
    }
    return true;
}

void CDialogEditBox::SetValue(float value)
{
    CDialogItem::SetValue(value);
    if (m_behaviour == ItemBehaviourFollowValue)
        CDialogItem::SetState(m_stateIndex, value != 0.0f ? 1 : 0, 0);
    else if (m_behaviour == ItemBehaviourFollowValueInverted)
        CDialogItem::SetState(m_stateIndex, value == 0.0f ? 1 : 0, 0);
}

bool CDialogEditBox::Load(CInStream* stream)
{
    uint32_t maximum = 0;
    if (!stream->ReadU32(maximum))
        return false;
    m_maximum = maximum;
    delete[] m_firstText;
    delete[] m_secondText;
    m_firstText = nullptr;
    m_secondText = nullptr;
    if (!stream->ReadText(m_firstText) || !stream->ReadText(m_secondText))
        return false;
    // The timing block is part of this record in every file version.
    if (!LoadRect(stream) || !LoadTiming(stream) || !LoadCommandKeys(stream) || !LoadFlipCommands(stream) ||
        !LoadStates(stream))
        return false;
    ScaleDurationsToStates();
    ResetLayout();
    return true;
}

void CDialogEditBox::MoveCaret(uint32_t caret)
{
    if (caret == m_caret)
        return;
    m_caret = caret;
    Invalidate();
}

void CDialogEditBox::PublishText()
{
    SetText(-1, m_text.empty() ? nullptr : m_text.c_str());
}

void CDialogEditBox::InsertText(const char16_t* text)
{
    if (text == nullptr || text[0] == 0)
        return;
    size_t length = std::char_traits<char16_t>::length(text);
    // An insertion that would pass the limit is dropped whole; reaching it exactly is fine.
    if (m_text.size() + length > GetEffectiveMaximum())
        return;
    if (m_caret > m_text.size())
        m_caret = static_cast<uint32_t>(m_text.size());
    m_text.insert(m_caret, text, length);
    m_caret += static_cast<uint32_t>(length);
    PublishText();
}

void CDialogEditBox::CaretLeft()
{
    if (!m_text.empty() && m_caret > 0)
        MoveCaret(m_caret - 1);
}

void CDialogEditBox::CaretRight()
{
    if (!m_text.empty() && m_caret < m_text.size())
        MoveCaret(m_caret + 1);
}

void CDialogEditBox::CaretHome()
{
    MoveCaret(0);
}

void CDialogEditBox::CaretEnd()
{
    MoveCaret(static_cast<uint32_t>(m_text.size()));
}

void CDialogEditBox::Backspace()
{
    if (m_caret == 0 || m_text.empty())
        return;
    m_caret = m_caret > m_text.size() ? static_cast<uint32_t>(m_text.size()) : m_caret;
    --m_caret;
    m_text.erase(m_caret, 1);
    PublishText();
}

void CDialogEditBox::DeleteChar()
{
    if (m_caret < m_text.size())
        m_text.erase(m_caret, 1);
    PublishText();
}

void CDialogEditBox::Send()
{
    if (m_name != nullptr && m_name[0] != 0)
    {
        char* utf8 = WideToUtf8(m_text.c_str());
        std::string message(m_name);
        message += '-';
        if (utf8 != nullptr)
            message += utf8;
        delete[] utf8;
        SendItemBytes(this, reinterpret_cast<const uint8_t*>(message.data()),
                      static_cast<uint32_t>(message.size()));
    }
    Clear();
}

void CDialogEditBox::Clear()
{
    m_text.clear();
    m_caret = 0;
    Invalidate();
}

CPixelBuffer* CDialogEditBox::RenderState(CPixelBuffer* buffer)
{
    bool focused = IsFocused();
    CDialogItemState* state = GetStateAt(focused && GetStateCount() >= 2 ? 1 : 0);
    // The painted state's own text and alignment stand aside for the box's text, drawn left top
    // with the caret; they are put back after the painting.
    if (state == nullptr)
        return RenderItemState(buffer, this, nullptr);
    if (buffer == nullptr)
        buffer = CPixelBuffer::Create(m_currentRect.width, m_currentRect.height);
    else
        for (int32_t row = 0; row < buffer->height && buffer->pixels != nullptr; row++)
            std::memset(buffer->Row(row), 0, static_cast<size_t>(buffer->width) * 4);
    if (buffer == nullptr)
        return nullptr;
    m_renderedOpacity = state->m_opacity;
    CTemplate* frame = nullptr;
    CSprite* borderImage = nullptr;
    BorderKind kind = ResolveStateBorder(state->m_border, &frame, &borderImage);
    // An image border counts as soon as the image exists, before it holds a picture.
    if (kind == BorderNone && (state->m_border & ~kBorderNumberMask) == kBorderImageFlag &&
        g_pDialogSystem != nullptr)
    {
        borderImage = g_pDialogSystem->FindImage(state->m_border & kBorderNumberMask);
        if (borderImage != nullptr)
            kind = BorderImage;
    }
    CDialogItemState* first = GetStateAt(0);
    for (int32_t shift = 0; shift < 20; shift += 4)
    {
        switch ((state->m_drawOrder >> shift) & 0xF)
        {
        case DrawOrderFill:
            DrawStateFill(kind, buffer, borderImage, frame, ColorWord(state->m_fillColor));
            break;
        case DrawOrderBitmap:
        case DrawOrderIcon:
        {
            bool bitmap = ((state->m_drawOrder >> shift) & 0xF) == DrawOrderBitmap;
            if (bitmap)
                DrawStateImage(state->m_bitmap, state->m_bitmapAlignment, state->m_bitmapX, state->m_bitmapY,
                               buffer);
            else
                DrawStateImage(state->m_icon, state->m_iconAlignment, state->m_iconX, state->m_iconY, buffer);
            // Cut the picture to the border's shape; a transparent fill skips the cut.
            if (kind == BorderImage && borderImage != nullptr && (state->m_fillColor & 0xFF) != 0)
                DrawCutOut(buffer, borderImage, ColorWord(state->m_fillColor));
            break;
        }
        case DrawOrderText:
            ExpandTextVariables(state);
            DrawItemText(buffer, m_text.c_str(), focused && m_caretOn ? static_cast<int32_t>(m_caret) : -1,
                         first != nullptr ? first->m_font : nullptr, ColorWord(state->m_textColor),
                         AlignLeftTop, state->m_textX, state->m_textY, state->m_wordWrap != 0,
                         state->m_textEffect, ColorWord(state->m_textEffectColor), kind, frame, 0);
            break;
        case DrawOrderBorder:
            DrawStateBorder(kind, buffer, borderImage, frame, ColorWord(state->m_borderColor));
            break;
        default:
            break;
        }
    }
    if (!IsEnabled())
        GreyPixelBuffer(buffer);
    return buffer;
}

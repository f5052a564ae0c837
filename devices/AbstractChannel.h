#pragma once
#include <cstdint>

// The device operation that sends a bus channel.
enum ChannelAction : uint8_t
{
    ActionNone = 0, // sends nothing (also every value not listed here)
    ActionPress = 1,
    ActionRelease = 2,
    ActionSetValue = 3,
    ActionPeriodic = 16, // sent every `period` ms by the driver's periodic pass
};

// The direction byte of a channel record.
enum ChannelDirection : uint8_t
{
    DirectionBoth = 0,
    DirectionNeverSent = 1, // the channel only takes feedback: no operation sends it
    DirectionSendOnly = 2,  // no feedback is posted for it and it is not polled
};

// The base of every device channel: the four fields of the interface file's channel record, and
// the action and period of a bus channel (both 0 unless the driver's Load sets them).
//
// Use in a driver:
//
//     class CMyChannel : public CAbstractChannel
//     {
//     public:
//         using CAbstractChannel::CAbstractChannel;
//         void Load(const uint8_t* blob, uint32_t length) override
//         {
//             CBlobReader r(blob, length);          // common/BlobReader.h
//             uint8_t action = 0;
//             uint32_t period = 0;
//             if (r.U16LE(m_address) && r.U8(action) && r.U32LE(period))
//             {
//                 SetAction(action);
//                 SetPeriod(period);
//             }
//         }
//         uint16_t m_address = 0;
//         std::atomic<float> m_value{0};           // feedback, written by the transport thread
//     };
//
//     bool CMyDevice::AddChannel(uint32_t id, uint8_t type, uint8_t kind, uint8_t dir,
//                                uint32_t length, const uint8_t* blob)
//     {
//         auto channel = std::make_unique<CMyChannel>(id, type, kind, dir);
//         channel->Load(blob, length);
//         m_channels.push_back(std::move(channel));
//         return true;
//     }
//
//     Press:  if (channel->IsSentBy(ActionPress)) ...      Feedback: if (channel->TakesFeedback()) ...
//
// Fields set at loading are read-only afterwards, so both threads read them without a lock.
class CAbstractChannel
{
public:
    CAbstractChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction)
        : m_id(id), m_valueType(valueType), m_reportKind(reportKind), m_direction(direction)
    {
    }
    virtual ~CAbstractChannel();
    CAbstractChannel(const CAbstractChannel&) = delete;
    CAbstractChannel& operator=(const CAbstractChannel&) = delete;

    // Reads the channel's own settings from its blob (valid only during the call). Nothing here.
    virtual void Load(const uint8_t* blob, uint32_t length)
    {
        (void)blob;
        (void)length;
    }

    uint32_t GetId() const { return m_id; }
    // The low half of a ChannelAddress that items use for this channel.
    uint16_t GetAddressChannel() const { return static_cast<uint16_t>(m_id); }
    uint8_t GetValueType() const { return m_valueType; }
    uint8_t GetReportKind() const { return m_reportKind; }
    uint8_t GetDirection() const { return m_direction; }
    uint8_t GetAction() const { return m_action; }
    uint32_t GetPeriod() const { return m_period; }
    void SetAction(uint8_t action) { m_action = action; }
    void SetPeriod(uint32_t ms) { m_period = ms; }

    // True when the device operation with this action sends the channel: the action matches and
    // the channel is not a feedback-only one.
    bool IsSentBy(uint8_t action) const
    {
        return action != ActionNone && m_action == action && m_direction != DirectionNeverSent;
    }
    bool IsPeriodic() const { return IsSentBy(ActionPeriodic); }
    // False for a send-only channel: no feedback is posted for it and it is not polled.
    bool TakesFeedback() const { return m_direction != DirectionSendOnly; }

protected:
    uint32_t m_id;
    uint8_t m_valueType;
    uint8_t m_reportKind;
    uint8_t m_direction;
    uint8_t m_action = ActionNone;
    uint32_t m_period = 0;
};

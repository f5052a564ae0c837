#include "fuzz/support/RecordMap.h"

#include "common/InStream.h"

bool CRecordMap::LoadNextRecord()
{
    NoteReadPosition();
    return CHeadlessInterface::LoadNextRecord();
}

CAbstractDevice* CRecordMap::CreateDevice(const DeviceRecord& record, bool& known)
{
    // Called once the device's own fields are read: the stream stands at its channel count.
    NoteReadPosition();
    return CHeadlessInterface::CreateDevice(record, known);
}

void CRecordMap::NoteReadPosition()
{
    const CInStream* stream = GetStream();
    if (stream)
        m_offsets.push_back(static_cast<size_t>(stream->ReadPos() - stream->Buffer()));
}

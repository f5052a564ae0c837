// The device table and the device layer's part in the start-up, the tick and the stop order.
//
// The device layer plugs in here: CreateDevice (the factory by type code), the channel calls,
// and the loops over the DeviceList (Connect after loading, Update every tick, Disconnect and
// delete in the stop order). Every record is read whole, bounded by the bytes left, whether its
// code has a driver or not.
#include "app/ClientDlg.h"
#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "devices/AbstractDevice.h"
#include "devices/DeviceFactory.h"
#include "interface/AbstractDialogSystem.h"

bool CClientDlg::LoadDevices()
{
    if (!m_deviceList)
        m_deviceList = new CVector(kDeviceListGrowStep);
    uint16_t count = 0;
    if (!m_stream || !m_stream->ReadU16(count))
    {
        SetErrorText(kFileNotFound);
        return false;
    }
    for (uint16_t i = 0; i < count; ++i)
    {
        // A table that ends inside a record leaves nothing sound to load after it.
        if (!ReadDeviceRecord())
        {
            SetErrorText(kFileNotFound);
            return false;
        }
    }
    // Items and their command sequences find the devices by id through the published list.
    g_pDeviceList = m_deviceList;
    // Only now do the drivers learn the interface: none may reach it from its configuration.
    for (int32_t i = 0; i < m_deviceList->GetCount(); ++i)
    {
        CAbstractDevice* device = m_deviceList->Get<CAbstractDevice>(i);
        if (device)
            device->SetDialogSystem(m_backEnd);
    }
    return true;
}

bool CClientDlg::ReadDeviceRecord()
{
    DeviceRecord record = {};
    bool whole = m_stream->ReadU32(record.id) && m_stream->ReadU32(record.type) &&
                 m_stream->ReadText(record.host) && m_stream->ReadU16(record.port) &&
                 m_stream->ReadText(record.parameters);
    CAbstractDevice* device = nullptr;
    if (whole)
    {
        bool known = false;
        device = CreateDevice(record, known);
        if (!known)
            SetErrorText(kWrongController); // recorded, never shown; the start-up goes on
        if (device)
        {
            // Addresses carry the device id in 16 bits: the record's upper half is not used.
            device->SetId(static_cast<uint16_t>(record.id & 0xFFFF));
            m_deviceList->Add(device);
        }
    }
    StrFree(record.host);
    StrFree(record.parameters);
    return whole && ReadChannels(device);
}

bool CClientDlg::ReadChannels(CAbstractDevice* device)
{
    if (device)
        BeginChannels(device);
    uint16_t count = 0;
    bool whole = m_stream->ReadU16(count);
    for (uint16_t i = 0; whole && i < count; ++i)
    {
        uint32_t id = 0;
        uint8_t valueType = 0;
        uint8_t reportKind = 0;
        uint8_t direction = 0;
        uint32_t length = 0;
        whole = m_stream->ReadU32(id) && m_stream->ReadU8(valueType) && m_stream->ReadU8(reportKind) &&
                m_stream->ReadU8(direction) && m_stream->ReadU32(length) &&
                length <= static_cast<uint32_t>(m_stream->Pending());
        if (!whole)
            break;
        // The data stays in the stream: it is valid only during the call.
        if (device)
            AddChannel(device, id, valueType, reportKind, direction, length, m_stream->ReadPos());
        m_stream->Skip(static_cast<int32_t>(length));
    }
    if (device)
        EndChannels(device);
    return whole;
}

CAbstractDevice* CClientDlg::CreateDevice(const DeviceRecord& record, bool& known)
{
    // The factory's table decides: a code without a driver is unknown, a record that lacks what
    // its row requires is skipped, and every created driver is already configured.
    return CDeviceFactory().Create(record.type, record.host, record.port, record.parameters, known);
}

void CClientDlg::BeginChannels(CAbstractDevice* device)
{
    device->BeginChannels();
}

void CClientDlg::AddChannel(CAbstractDevice* device, uint32_t id, uint8_t valueType, uint8_t reportKind,
                            uint8_t direction, uint32_t length, const uint8_t* data)
{
    // A channel whose report kind needs a text or an object that its driver never makes is
    // refused here, before it can post a number for a pointer.
    if (!device->AcceptsReportKind(reportKind))
        return;
    // The driver copies what it keeps: the data lives in the file's bytes, freed after loading.
    device->AddChannel(id, valueType, reportKind, direction, length, data);
}

void CClientDlg::EndChannels(CAbstractDevice* device)
{
    device->EndChannels();
}

void CClientDlg::ConnectDevices()
{
    // Devices connect only once the last record of the interface is read, in table order. Each
    // gets the running interface first, so that its events have somewhere to go.
    if (!m_deviceList)
        return;
    for (int32_t i = 0; i < m_deviceList->GetCount(); ++i)
    {
        CAbstractDevice* device = m_deviceList->Get<CAbstractDevice>(i);
        if (!device)
            continue;
        if (!device->GetDialogSystem())
            device->SetDialogSystem(m_backEnd);
        device->Connect();
    }
}

void CClientDlg::UpdateDevices()
{
    // Every tick after loading, in table order: each device drains its events into the interface.
    if (!m_deviceList)
        return;
    for (int32_t i = 0; i < m_deviceList->GetCount(); ++i)
    {
        CAbstractDevice* device = m_deviceList->Get<CAbstractDevice>(i);
        if (device)
            device->Update();
    }
}

void CClientDlg::DisconnectDevices()
{
    // Stop order: every device disconnected, in table order, before any is deleted.
    if (!m_deviceList)
        return;
    for (int32_t i = 0; i < m_deviceList->GetCount(); ++i)
    {
        CAbstractDevice* device = m_deviceList->Get<CAbstractDevice>(i);
        if (device)
            device->Disconnect();
    }
}

void CClientDlg::DeleteDevices()
{
    // Stop order: every device deleted, in table order; the list itself goes after. Nothing may
    // find a device through the published list from here on.
    if (g_pDeviceList == m_deviceList)
        g_pDeviceList = nullptr;
    if (!m_deviceList)
        return;
    for (int32_t i = 0; i < m_deviceList->GetCount(); ++i)
        delete m_deviceList->Get<CAbstractDevice>(i);
    m_deviceList->RemoveAll();
}

// The device-type table: every DeviceTypeCode the interface file may name, how its parameter text
// is read, what its record must hold, and the driver it creates.
//
// Adding a driver is one change to its row: replace the null by MakeDevice<CItsClass> (and
// include its header above the table). Nothing registers itself: a static library would drop an
// object that nothing refers to.
#include "devices/DeviceTypeRow.h"

#include "devices/AbstractDevice.h"
#include "devices/buses/cbus/ClipsalDevice.h"
#include "devices/buses/cbus/ClipsalGateDevice.h"
#include "devices/buses/epsnet/EPSNETUdpDevice.h"
#include "devices/buses/helvar/HelvarAVSerialDevice.h"
#include "devices/buses/helvar/HelvarAVTcpGateDevice.h"
#include "devices/buses/helvar/HelvarNetTcpDevice.h"
#include "devices/buses/helvar/HelvarNetUDPInternalDevice.h"
#include "devices/buses/helvar/HelvarNetUdpDevice.h"
#include "devices/buses/knx/BAOS1xTcpDevice.h"
#include "devices/buses/knx/BAOS2xTcpDevice.h"
#include "devices/buses/knx/EIBTcpGateDevice.h"
#include "devices/buses/knx/EIBUdpDevice.h"
#include "devices/buses/modbus/ModbusASCIISerialDevice.h"
#include "devices/buses/modbus/ModbusASCIITcpDevice.h"
#include "devices/buses/modbus/ModbusRTUSerialDevice.h"
#include "devices/buses/modbus/ModbusRTUTcpDevice.h"
#include "devices/buses/modbus/ModbusTCPDevice.h"
#include "devices/buses/shturman/ShturmanD12SS20SerialDevice.h"
#include "devices/buses/shturman/ShturmanD12SS20TcpDevice.h"
#include "devices/buses/shturman/ShturmanXXV07SerialDevice.h"
#include "devices/buses/shturman/ShturmanXXV07TCPDevice.h"
#include "devices/buses/smartbus/SmartBusSerialDevice.h"
#include "devices/buses/smartbus/SmartBusTcpGateDevice.h"
#include "devices/buses/smartbus/SmartBusUdpDevice.h"
#include "devices/buses/x10/X10SerialDevice.h"
#include "devices/buses/x10/X10TCPDevice.h"
#include "devices/controllers/amx/AMXDevice.h"
#include "devices/controllers/axico/AxicoSerialDevice.h"
#include "devices/controllers/axico/AxicoTcpGateDevice.h"
#include "devices/controllers/crestron/CrestronDevice.h"
#include "devices/controllers/custom/CustomSerialDevice.h"
#include "devices/controllers/custom/CustomTCPDevice.h"
#include "devices/controllers/custom/CustomUDPDevice.h"
#include "devices/controllers/domintell/DomintellTCPDevice.h"
#include "devices/controllers/domintell/DomintellUDPDevice.h"
#include "devices/controllers/http/CustomHTTPDevice.h"
#include "devices/controllers/lutron/LutronTCPDevice.h"
#include "devices/controllers/xbmc/XBMCDevice.h"

namespace
{
using F = ParamForm;
using R = Requirement;

constexpr uint32_t kBaud = 9600;
constexpr uint32_t kBaudX10SmartBus = 4800;
constexpr uint32_t kBaudHelvarAV = 19200;

// clang-format off
const DeviceTypeRow kRows[] = {
    // code   factory                               form                   requirement     baud     driver
    {0x01, "CreateAMXDevice", F::Amx, R::None, 0, MakeDevice<CAMXDevice>},                    // CAMXDevice
    {0x13, "CreateAxicoSerialDevice", F::Serial3, R::ComPort, kBaud, MakeDevice<CAxicoSerialDevice>},                // CAxicoSerialDevice
    {0x14, "CreateAxicoTcpGateDevice", F::NotRead, R::HostAndPort, 0, MakeDevice<CAxicoTcpGateDevice>},               // CAxicoTcpGateDevice
    {0x21, "CreateModbusTCPDevice", F::Number, R::HostAndPort, 0, MakeDevice<CModbusTCPDevice>},  // CModbusTCPDevice
    {0x33, "CreateModbusASCIISerialDevice", F::Serial4, R::ComPort, kBaud, MakeDevice<CModbusASCIISerialDevice>},  // CModbusASCIISerialDevice
    {0x34, "CreateModbusASCIITcpDevice", F::Number, R::HostAndPort, 0, MakeDevice<CModbusASCIITcpDevice>},  // CModbusASCIITcpDevice
    {0x43, "CreateModbusRTUSerialDevice", F::Serial4, R::ComPort, kBaud, MakeDevice<CModbusRTUSerialDevice>},  // CModbusRTUSerialDevice
    {0x44, "CreateModbusRTUTcpDevice", F::Number, R::HostAndPort, 0, MakeDevice<CModbusRTUTcpDevice>},  // CModbusRTUTcpDevice
    {0x52, "CreateEIBUdpDevice", F::NumberStepNumber, R::HostAndPort, 0, MakeDevice<CEIBUdpDevice>},            // CEIBUdpDevice
    {0x54, "CreateEIBTcpGateDevice", F::NumberStepNumber, R::HostAndPort, 0, MakeDevice<CEIBTcpGateDevice>},        // CEIBTcpGateDevice
    {0x61, "CreateCustomTCPDevice", F::NotUsed, R::HostAndPort, 0, MakeDevice<CCustomTCPDevice>},  // CCustomTCPDevice
    {0x62, "CreateCustomUDPDevice", F::NotUsed, R::HostAndPort, 0, MakeDevice<CCustomUDPDevice>},  // CCustomUDPDevice
    {0x63, "CreateCustomSerialDevice", F::Serial3, R::ComPort, kBaud, MakeDevice<CCustomSerialDevice>},  // CCustomSerialDevice
    {0x73, "CreateShturmanXXV07SerialDevice", F::Serial4, R::ComPort, kBaud, MakeDevice<CShturmanXXV07SerialDevice>},        // CShturmanXXV07SerialDevice
    {0x74, "CreateShturmanXXV07TCPDevice", F::Number, R::HostAndPort, 0, MakeDevice<CShturmanXXV07TCPDevice>},            // CShturmanXXV07TCPDevice
    {0x83, "CreateShturmanD12SS20SerialDevice", F::Serial4, R::ComPort, kBaud, MakeDevice<CShturmanD12SS20SerialDevice>},      // CShturmanD12SS20SerialDevice
    {0x84, "CreateShturmanD12SS20TcpDevice", F::Number, R::HostAndPort, 0, MakeDevice<CShturmanD12SS20TcpDevice>},          // CShturmanD12SS20TcpDevice
    {0x93, "CreateX10SerialDevice", F::Serial3, R::ComPort, kBaudX10SmartBus, MakeDevice<CX10SerialDevice>},  // CX10SerialDevice
    {0x94, "CreateX10TCPDevice", F::NotRead, R::HostAndPort, 0, MakeDevice<CX10TCPDevice>},  // CX10TCPDevice
    {0xA1, "CreateDomintellTCPDevice", F::Token, R::HostAndPort, 0, MakeDevice<CDomintellTCPDevice>},               // CDomintellTCPDevice
    {0xA2, "CreateDomintellUDPDevice", F::Token, R::HostAndPort, 0, MakeDevice<CDomintellUDPDevice>},               // CDomintellUDPDevice
    {0xB3, "CreateHelvarAVSerialDevice", F::Serial4, R::ComPort, kBaudHelvarAV, MakeDevice<CHelvarAVSerialDevice>},     // CHelvarAVSerialDevice
    {0xB4, "CreateHelvarAVTcpGateDevice", F::Number, R::HostAndPort, 0, MakeDevice<CHelvarAVTcpGateDevice>},             // CHelvarAVTcpGateDevice
    {0xC2, "CreateSmartBusUdpDevice", F::NotRead, R::Port, 0, MakeDevice<CSmartBusUdpDevice>},  // CSmartBusUdpDevice
    {0xC3, "CreateSmartBusSerialDevice", F::Serial3, R::ComPort, kBaudX10SmartBus, MakeDevice<CSmartBusSerialDevice>},  // CSmartBusSerialDevice
    {0xC4, "CreateSmartBusTcpGateDevice", F::NotRead, R::HostAndPort, 0, MakeDevice<CSmartBusTcpGateDevice>},  // CSmartBusTcpGateDevice
    {0xD2, "CreateEPSNETUdpDevice", F::NumberStepNumber, R::HostAndPort, 0, MakeDevice<CEPSNETUdpDevice>},         // CEPSNETUdpDevice
    {0xE1, "CreateCustomHTTPDevice", F::NotRead, R::HostAndPort, 0, MakeDevice<CCustomHTTPDevice>}, // CCustomHTTPDevice
    {0xF1, "CreateXBMCDevice", F::Number, R::HostAndPort, 0, MakeDevice<CXBMCDevice>},        // CXBMCDevice
    {0x101, "(built by the loader)", F::NotUsed, R::HostAndPort, 0, MakeDevice<CHelvarNetTcpDevice>},                 // CHelvarNetTcpDevice
    {0x102, "CreateHelvarNetUdpDevice", F::NotUsed, R::HostAndPort, 0, MakeDevice<CHelvarNetUdpDevice>},              // CHelvarNetUdpDevice
    {0x112, "CreateHelvarNetUDPInternalDevice", F::NotRead, R::Port, 0, MakeDevice<CHelvarNetUDPInternalDevice>},             // CHelvarNetUDPInternalDevice
    {0x131, "CreateBAOS1xTcpDevice", F::Number, R::HostAndPort, 0, MakeDevice<CBAOS1xTcpDevice>},                  // CBAOS1xTcpDevice
    {0x141, "CreateCrestronDevice", F::Number, R::HostAndPort, 0, MakeDevice<CCrestronDevice>}, // CCrestronDevice
    {0x151, "CreateBAOS2xTcpDevice", F::Number, R::HostAndPort, 0, MakeDevice<CBAOS2xTcpDevice>},                  // CBAOS2xTcpDevice
    {0x161, "CreateLutronTCPDevice", F::WholeText, R::HostPortText, 0, MakeDevice<CLutronTCPDevice>}, // CLutronTCPDevice
    {0x171, "CreateClipsalDevice", F::NotRead, R::HostAndPort, 0, MakeDevice<CClipsalDevice>},    // CClipsalDevice
    {0x181, "CreateClipsalGateDevice", F::WholeText, R::HostAndPort, 0, MakeDevice<CClipsalGateDevice>}, // CClipsalGateDevice
};
// clang-format on
} // namespace

std::span<const DeviceTypeRow> DeviceTypeTable()
{
    return kRows;
}

#!/usr/bin/env bash
# Builds the tests with ThreadSanitizer in build-tsan and runs those whose code several threads
# use at once: the queues and worker threads, the device event ring, the transports and their test peers, the Modbus, SmartBus and X10 drivers, the back ends (tick thread
# drawing, main thread presenting), the tick loop and its events, dynamic images and the sound
# output, and the panel itself end to end. Any data race the sanitizer reports fails the run. Not part of CI: run it by hand after
# changing threaded code.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERULAN_TSAN=ON -DNERULAN_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target test_common test_devices test_devices_buses_modbus test_devices_buses_knx test_devices_buses_smartbus test_devices_buses_x10 test_render test_interface test_screen test_app test_sound nerulan make-demo
cd build-tsan
ctest -j"$jobs" --output-on-failure --timeout 600 \
  -R 'AbstractQueue|WorkerThread|TcpTransport|UdpTransport|SerialTransport|SendPump|DeviceBaseToolkit|ConfigureForms|ConfigureSerialForm|ReportPoster|DeviceRing|DeviceCycle|DeviceLifecycle|Backend|Present|Tick|Events|ImageDynamic|OpenALOutput|EndToEnd|DeviceAgainstLibmodbus|ModbusScriptedPeers|ModbusTcpDriver|ModbusPollPeriodZero|EIBDevice|BaosDevice|KnxPeers|KnxdDevice|SmartBusSerial|SmartBusGate|SmartBusUdp|X10Gate|X10Serial'

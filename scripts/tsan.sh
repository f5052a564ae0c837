#!/usr/bin/env bash
# Builds the tests with ThreadSanitizer in build-tsan and runs those whose code several threads
# use at once: the queues and worker threads, the device event ring, the transports and their test
# peers, every driver's tests (each driver reads on its transport's thread while the tick thread
# sends), the back ends (tick thread drawing, main thread presenting), the tick loop and its events,
# dynamic images and the sound output, and the panel itself end to end. Any data race the sanitizer
# reports fails the run. Not part of CI (a third full build would not fit its time): run it by hand
# after changing threaded code.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"

# Every test program of the devices folder: one per driver family.
device_tests() {
  ninja -C build-tsan -t targets all | sed -n 's/^\(test_devices[a-z0-9_]*\):.*/\1/p' | sort -u | tr '\n' ' '
}

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERULAN_TSAN=ON -DNERULAN_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target $(device_tests) test_common test_render test_interface test_screen test_app test_sound nerulan make-demo
cd build-tsan
ctest -j"$jobs" --output-on-failure --timeout 600 \
  -R 'AbstractQueue|WorkerThread|Transport|SendPump|DeviceBaseToolkit|Configure|ReportPoster|DeviceRing|DeviceCycle|DeviceLifecycle|Backend|Present|Tick|Events|EventOps|ImageDynamic|DynamicImage|OpenALOutput|EndToEnd|Libmodbus|Modbus|EIB|Baos|Knx|SmartBus|X10|Amx|AMX|Crestron|Lutron|Clipsal|Custom|CommandSequence|Domintell|Helvar|Epsnet|EPSNET|Shturman|XXV07|D12SS20|Axico|Http|HTTP|Xbmc|XBMC'

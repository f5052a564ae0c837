#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A network namespace of the test's own, where the only interface is lo: tests that broadcast,
// multicast or take fixed ports do so there, and nothing leaves the machine.
enum class OwnNetwork : uint8_t
{
    Entered,
    NotPermitted, // the kernel refuses unshare -n here
    NotSetUp,     // entered, but a set-up command failed
};

// lo up and broadcasts to 255.255.255.255 going out on it, from 127.0.0.1.
const std::vector<std::string>& BroadcastOnLo();

// Puts the calling thread, and every thread and process it starts from now on, in a network
// namespace of its own and runs the set-up commands there (after "ip link set lo up"). Threads
// already running stay where they are.
OwnNetwork EnterOwnNetworkNamespace(const std::vector<std::string>& setUp);

// Runs the body in a forked child in a namespace of its own; skips the test where namespaces are
// not permitted, and fails it when the set-up or the body failed.
void RunInOwnNetworkNamespace(const std::vector<std::string>& setUp, const std::function<void()>& body);

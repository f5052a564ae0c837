#include "OwnNetwork.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace
{
// The child's exit code when the kernel refused the namespace.
constexpr int kNoNamespace = 77;
} // namespace

const std::vector<std::string>& BroadcastOnLo()
{
    static const std::vector<std::string> commands = {"ip route add 255.255.255.255/32 dev lo src 127.0.0.1"};
    return commands;
}

OwnNetwork EnterOwnNetworkNamespace(const std::vector<std::string>& setUp)
{
    if (unshare(CLONE_NEWNET) != 0)
        return OwnNetwork::NotPermitted;
    if (std::system("ip link set lo up") != 0)
        return OwnNetwork::NotSetUp;
    for (const std::string& command : setUp)
    {
        if (std::system(command.c_str()) != 0)
            return OwnNetwork::NotSetUp;
    }
    return OwnNetwork::Entered;
}

void RunInOwnNetworkNamespace(const std::vector<std::string>& setUp, const std::function<void()>& body)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
    {
        const OwnNetwork network = EnterOwnNetworkNamespace(setUp);
        if (network == OwnNetwork::NotPermitted)
            _exit(kNoNamespace);
        if (network == OwnNetwork::NotSetUp)
            ADD_FAILURE() << "could not set up lo in the new network namespace";
        else
            body();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoNamespace)
        GTEST_SKIP() << "a network namespace of its own (unshare -n) is not permitted here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test body in its network namespace failed (status " << status << ")";
}

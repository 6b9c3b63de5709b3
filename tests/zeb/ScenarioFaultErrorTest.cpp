// Crate faults written wrongly in a scenario: zebsim refuses to start with exit
// code 2 and names the bad entry.
#include "support/ZebsimProcess.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct BadFault {
    const char* json;
    const char* named;  // part of the message
};

TEST(ScenarioCrateFaults, WrongEntriesAreNamedAndStopTheServer) {
    const BadFault cases[] = {
        {R"({"faults": {"refuse": ["GetCrateInfo"]}, "crates": []})", "faults.refuse"},
        {R"({"faults": {"drop": true}, "crates": []})", "faults: unknown key \"drop\""},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"refuse": ["Hello"]}}]})", "crates[0].faults.refuse"},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"refuse": "GetCrateInfo"}}]})", "crates[0].faults"},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"drop_on": "GetCrates"}}]})", "crates[0].faults.drop_on"},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"late": {"ms": 10}}}]})", "crates[0].faults.late"},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"late": {"on": "GetCrateInfo", "ms": -1}}}]})",
         "crates[0].faults.late.ms"},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"late": {"on": "GetCrateInfo", "ms": 600001}}}]})",
         "crates[0].faults.late.ms"},
        {R"({"crates": [{"serial": "A", "type": 1, "faults": {"slow": 1}}]})", "crates[0].faults: unknown key"},
    };
    char pattern[] = "/tmp/zebsim-scenario-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    for (const BadFault& c : cases) {
        SCOPED_TRACE(c.json);
        {
            std::ofstream(dir + "/scenario.json") << c.json;
        }
        // A scenario wrongly taken would start a server: `timeout` ends it (status 124).
        const std::string command = "timeout 20 '" + zebtest::ZebsimProcess::executable() + "' --port 0 --scenario '" + dir +
                                    "/scenario.json' 2>'" + dir + "/stderr'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2);
        std::ifstream in(dir + "/stderr");
        const std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace

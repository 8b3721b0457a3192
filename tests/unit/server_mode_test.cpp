#include "cli/server_mode.h"

#include <gtest/gtest.h>

#include <map>

namespace quorbel {
namespace {

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::map<std::string, std::string> environment;
  const char* host;
  int port;
};

TEST(ServerModeTest, HostAndPortSelection) {
  const Case cases[] = {
      {"defaults", {"quorbel"}, {}, "127.0.0.1", 8080},
      {"PORT alone opens to all", {"quorbel"}, {{"PORT", "3000"}}, "0.0.0.0", 3000},
      {"empty PORT is unset", {"quorbel"}, {{"PORT", ""}}, "127.0.0.1", 8080},
      {"explicit host wins",
       {"quorbel"},
       {{"PORT", "3000"}, {"QUORBEL_HOST", "10.0.0.5"}},
       "10.0.0.5",
       3000},
      {"empty host is unset", {"quorbel"}, {{"QUORBEL_HOST", ""}}, "127.0.0.1", 8080},
      {"argument port keeps the local host", {"quorbel", "9000"}, {}, "127.0.0.1", 9000},
      {"argument beats PORT, PORT still opens the host",
       {"quorbel", "9000"},
       {{"PORT", "3000"}},
       "0.0.0.0",
       9000},
      {"non-numeric argument is port 0", {"quorbel", "abc"}, {}, "127.0.0.1", 0},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv;
    for (const std::string& arg : c.args) argv.push_back(const_cast<char*>(arg.c_str()));
    EnvironmentLookup lookup = [&](const char* name) -> std::optional<std::string> {
      auto found = c.environment.find(name);
      if (found == c.environment.end()) return std::nullopt;
      return found->second;
    };
    ServerAddress address = selectServerAddress(static_cast<int>(argv.size()), argv.data(), lookup);
    EXPECT_EQ(address.host, c.host) << c.name;
    EXPECT_EQ(address.port, c.port) << c.name;
  }
}

TEST(ServerModeTest, StartupValidationSwitch) {
  struct Switch {
    std::optional<std::string> value;
    bool want;
  };
  const Switch cases[] = {
      {std::nullopt, false}, {"", false},   {"0", false},       {"false", false},
      {" TRUE \n", true},    {"Yes", true}, {"on", true},       {"1", true},
      {"2", false},          {"y", false},  {"enabled", false}, {"\t1\r\n", true},
  };
  for (const Switch& c : cases) {
    EnvironmentLookup lookup = [&](const char*) { return c.value; };
    EXPECT_EQ(startupValidationRequested(lookup), c.want) << c.value.value_or("(unset)");
  }
}

}  // namespace
}  // namespace quorbel

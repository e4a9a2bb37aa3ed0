// What a Linux process knows about itself: its path and its joined arguments.

#include <gtest/gtest.h>

#include "arguments.h"
#include "process.h"

namespace qm {
namespace {

using List = std::vector<std::string>;

TEST(Arguments, JoinedArgvSplitsBack) {
  const char* argv[] = {"/opt/my apps/quotemill", "-a='_blank'", "-h", "http://x/?a=1&b=2"};
  EXPECT_EQ(join_arguments(4, argv), "-a='_blank' -h http://x/?a=1&b=2");
  EXPECT_EQ(split_command_line(join_arguments(4, argv), CodePage::utf8()),
            (List{"-a='_blank'", "-h", "http://x/?a=1&b=2"}));
}

TEST(Arguments, ExecutablePathIsWhole) {
  const std::string path = executable_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("process_test"), std::string::npos);
}

}  // namespace
}  // namespace qm

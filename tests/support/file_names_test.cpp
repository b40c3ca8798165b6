#include "support/file_names.h"

#include <gtest/gtest.h>

namespace quillon::support {
namespace {

std::string Memo(std::string path) {
  ReplaceInFileName(path, "dbf", "dbt");
  return path;
}

TEST(FileNamesTest, ReplacesTheFirstLowerCaseOccurrenceInTheFileNameOnly) {
  EXPECT_EQ(Memo("C:\\data\\clients.dbf"), "C:\\data\\clients.dbt");
  EXPECT_EQ(Memo("C:\\DATA\\CLIENTS.DBF"), "C:\\DATA\\CLIENTS.DBF");
  EXPECT_EQ(Memo("/srv/dbfiles/t.dbf"), "/srv/dbfiles/t.dbt");
  EXPECT_EQ(Memo("C:\\dbfdata\\t.dbf"), "C:\\dbfdata\\t.dbt");
  EXPECT_EQ(Memo("dbf.dbf"), "dbt.dbf");
  EXPECT_EQ(Memo("C:dbf"), "C:dbt");
  // No "dbf" in the file name: nothing is derived, even when a folder has one.
  std::string path = "/srv/dbf/table.xyz";
  EXPECT_FALSE(ReplaceInFileName(path, "dbf", "dbt"));
  EXPECT_EQ(path, "/srv/dbf/table.xyz");
}

}  // namespace
}  // namespace quillon::support

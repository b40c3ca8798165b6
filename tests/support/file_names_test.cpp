#include "support/file_names.h"

#include <gtest/gtest.h>

namespace quillon::support {
namespace {

std::string Memo(std::string path) {
  ReplaceInFileName(path, "dbf", "dbt");
  return path;
}

TEST(FileNamesTest, ReplacesTheFirstOccurrenceInTheFileNameOnlyKeepingItsCase) {
  EXPECT_EQ(Memo("C:\\data\\clients.dbf"), "C:\\data\\clients.dbt");
  EXPECT_EQ(Memo("C:\\DATA\\CLIENTS.DBF"), "C:\\DATA\\CLIENTS.DBT");
  EXPECT_EQ(Memo("Clients.Dbf"), "Clients.Dbt");
  // A lower-case "dbf" wins over an earlier one in another case.
  EXPECT_EQ(Memo("DBF.dbf"), "DBF.dbt");
  EXPECT_EQ(MemoFileName("/srv/t.xyz"), "");
  EXPECT_EQ(MemoFileName("/srv/T.DBF"), "/srv/T.DBT");
  EXPECT_EQ(Memo("/srv/dbfiles/t.dbf"), "/srv/dbfiles/t.dbt");
  EXPECT_EQ(Memo("C:\\dbfdata\\t.dbf"), "C:\\dbfdata\\t.dbt");
  // The extension is preferred to an earlier "dbf" of the name.
  EXPECT_EQ(Memo("dbf.dbf"), "dbf.dbt");
  EXPECT_EQ(Memo("dbfdata.dbf"), "dbfdata.dbt");
  EXPECT_EQ(Memo("DBFDATA.DBF"), "DBFDATA.DBT");
  EXPECT_EQ(Memo("dbfdata.Dbf.old"), "dbtdata.Dbf.old");
  EXPECT_EQ(Memo(".dbf"), ".dbt");
  EXPECT_EQ(Memo("C:dbf"), "C:dbt");
  // No "dbf" in the file name: nothing is derived, even when a folder has one.
  std::string path = "/srv/dbf/table.xyz";
  EXPECT_FALSE(ReplaceInFileName(path, "dbf", "dbt"));
  EXPECT_EQ(path, "/srv/dbf/table.xyz");
}

}  // namespace
}  // namespace quillon::support

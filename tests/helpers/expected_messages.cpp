#include "helpers/expected_messages.h"

namespace quillon::testing {

namespace {

const std::string kTableMissingBefore =
    "\xCD\xC5 \xCF\xCE\xCD\xDF\xCB!! \xC1\xE0\xE7\xFB \xE4\xE0\xED\xED\xFB\xF5 \xEF\xEE "
    "\xF3\xEA\xE0\xE7\xE0\xED\xED\xEE\xEC\xF3 \xEF\xF3\xF2\xE8 ";
const std::string kImportMissingBefore = "\xCD\xC5 \xCF\xCE\xCD\xDF\xCB!! \xD4\xE0\xE9\xEB\xE0 ";
const std::string kMissingAfter = " \xCD\xC5\xD2!";
const std::string kCheckThePath =
    "\xCF\xF0\xEE\xE2\xE5\xF0\xFC\xF2\xE5 \xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xF1\xF2\xFC "
    "\xEF\xF3\xF2\xE8 \xE8 \xED\xE0\xEB\xE8\xF7\xE8\xE5 \xD2\xC0\xCC \xF4\xE0\xE9\xEB\xE0!";
const std::string kReplaceFailed =
    "\xEF\xF0\xEE\xE1\xEB\xE5\xEC\xE0 \xF1 \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xEE\xE2\xE0\xED"
    "\xE8\xE5\xEC ";

}  // namespace

const std::string kImportDone = "\xC8\xEC\xEF\xEE\xF0\xF2 \xEE\xEA\xEE\xED\xF7\xE5\xED";
const std::string kTablePacked = "\xC1\xE0\xE7\xE0 \xF3\xEF\xE0\xEA\xEE\xE2\xE0\xED\xE0!";
const std::string kTableBackupFailed = "1" + kReplaceFailed + "\xE4\xE1\xF4 \xE2 \xE1\xE0\xEA";

std::string TableMissing(const std::string& path) {
  return kTableMissingBefore + path + kMissingAfter + "\r\n" + kCheckThePath;
}

std::string ImportFileMissing(const std::string& path) {
  return kImportMissingBefore + path + kMissingAfter + "\r\n" + kCheckThePath;
}

std::string ReplaceFailed(const std::string& from, const std::string& to) {
  return kReplaceFailed + from + " \xE2 " + to;
}

}  // namespace quillon::testing

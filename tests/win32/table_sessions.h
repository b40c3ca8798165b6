// The session groups: each one drives Quillon.dll through whole host
// sessions on real files in the scratch folder, as a Windows host would, for
// one family of exports. `fixtures` is the fixture folder, ending in "\".
#pragma once

#include <string>

#include "scratch.h"

namespace host_test {

// fiedscount, getfields, getcurn, getcurrecall, getarrayrecords on the
// fixture tables of other writers.
void ReadSessions(Scratch& scratch, const std::string& fixtures);
// editrec, addrec, delrec, and what they leave on disk.
void EditSessions(Scratch& scratch, const std::string& fixtures);
// finddata and getdataotdo.
void SearchSessions(Scratch& scratch);
// make, in the host's current folder.
void MakeSessions(Scratch& scratch);
// importasmaster.
void ImportSessions(Scratch& scratch);
// memopak.
void PackSessions(Scratch& scratch);

}  // namespace host_test

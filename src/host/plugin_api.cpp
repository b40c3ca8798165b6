// The descriptor exports that identify the plug-in to its host, and the slot
// exports through which every value travels.
#include "host/library.h"
#include "host/messages.h"
#include "quillon.h"

using quillon::host::Guarded;
using quillon::host::TheSlots;

int32_t GetType() { return 0; }
const char* GetShortInfo() { return quillon::host::kShortInfo; }
const char* GetInfo() { return quillon::host::kInfo; }
const char* Copyright() { return quillon::host::kCopyright; }
void Settings() {}
void SetParentWindow(void*) {}
void Draw(void*) {}

void SetPath(const char* path) {
  Guarded([&] {
    if (TheSlots() != nullptr) TheSlots()->path = path != nullptr ? path : "";
  });
}

void SetFile(const char* text) {
  Guarded([&] {
    if (TheSlots() != nullptr) TheSlots()->file = text != nullptr ? text : "";
  });
}

const char* GetFile() { return TheSlots() != nullptr ? TheSlots()->file.c_str() : ""; }

void SetData(int32_t value) {
  if (TheSlots() != nullptr) TheSlots()->data = value;
}

int32_t GetData() { return TheSlots() != nullptr ? TheSlots()->data : 0; }

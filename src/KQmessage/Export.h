// The library's public interface. The library is compiled with hidden symbols, so a shared
// zorf exports only what is marked ZORF_EXPORT: the classes and functions of the installed
// headers. In a static library the mark changes nothing.
#pragma once

#define ZORF_EXPORT __attribute__((visibility("default")))

// The shared library under test, loaded with dlopen and reached through its exported names, with
// the environment it reads set up around a simulated engine.
#ifndef BCREADER_TESTS_SUPPORT_LOADED_LIBRARY_H
#define BCREADER_TESTS_SUPPORT_LOADED_LIBRARY_H

#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <semaphore.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bcreader.h"
#include "bcreader_posix.h"
#include "support/library_env.h"

namespace bcr::test {

inline int CountEntries(const char *folder) {
  int count = 0;
  if (DIR *dir = opendir(folder)) {
    while (struct dirent *entry = readdir(dir)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
  }
  return count;
}

inline int ThreadCount() {
  return CountEntries("/proc/self/task");
}
// One descriptor is the listing's own.
inline int DescriptorCount() {
  return CountEntries("/proc/self/fd") - 1;
}

inline std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A name for the named event that no other test shares.
inline std::string &EventPrefix() {
  static std::string prefix;
  return prefix;
}
inline const std::string &NewEventPrefix() {
  static int count = 0;
  EventPrefix() = "bcrtest" + std::to_string(getpid()) + "_" + std::to_string(++count) + "_";
  return EventPrefix();
}
// The named event the library loaded last opened, as another process opens it.
inline std::string EventName() {
  return "/" + EventPrefix() + "DecodeEventBC";
}

// A private scratch folder for the registry file and the recordings of one test.
class ScratchDir {
 public:
  ScratchDir() {
    char name[] = "/tmp/bcrtest-XXXXXX";
    path_ = mkdtemp(name) ? name : "/tmp";
  }
  ~ScratchDir() {
    sem_unlink(EventName().c_str());
    std::string command = "rm -rf '" + path_ + "'";
    if (path_ != "/tmp") (void)!system(command.c_str());
  }
  const std::string &Path() const { return path_; }
  std::string File(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets the variables the library reads so that it uses the engine at port, the stand-in system
// library with the given engine-kind character, a registry file and a named event of its own.
inline void PointLibraryAt(const std::string &port, const char *engineKind,
                           const ScratchDir &scratch) {
  PointEnvironmentAt(port, engineKind, scratch.File("registry.reg"), NewEventPrefix());
}

class LoadedLibrary {
 public:
  // Members of fixtures open later, once the environment is set: the library reads some of it
  // when it is loaded.
  explicit LoadedLibrary(bool open = true) {
    if (open) Open();
  }
  ~LoadedLibrary() { Close(); }

  void Open() {
    if (handle_ == nullptr) handle_ = dlopen((LibDir() + "/libbcreader.so").c_str(), RTLD_NOW);
    EXPECT_NE(handle_, nullptr) << dlerror();
  }
  void Close() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
  }
  bool IsOpen() const { return handle_ != nullptr; }

  template <typename F>
  F *Fn(const char *name) const {
    void *symbol = handle_ != nullptr ? dlsym(handle_, name) : nullptr;
    EXPECT_NE(symbol, nullptr) << name;
    return reinterpret_cast<F *>(symbol);
  }

 private:
  void *handle_ = nullptr;
};

#define BCR_FN(library, name) ((library).Fn<decltype(::name)>(#name))

}  // namespace bcr::test

#endif  // BCREADER_TESTS_SUPPORT_LOADED_LIBRARY_H

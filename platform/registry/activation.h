#pragma once
// Creating objects by program identifier through the registry, as a host does, and the
// library side of it: the four exports' logic over a list of public classes.

#include "platform/com/dispatch.h"
#include "platform/registry/registry.h"

#include <cstdint>
#include <functional>

namespace tavro::com {

/// Results of the library exports.
using HResult = std::int32_t;
inline constexpr HResult hrOk = 0;
inline constexpr HResult hrFalse = 1;
inline constexpr HResult hrPointer = HResult(0x80004003u);
inline constexpr HResult hrFail = HResult(0x80004005u);
inline constexpr HResult hrClassNotAvailable = HResult(0x80040111u);
inline constexpr HResult hrSelfRegClass = HResult(0x80040201u);

class ClassFactory {
public:
  virtual ~ClassFactory() = default;
  virtual ObjectPtr createInstance() = 0;
};

/// One public class of a library: its program identifier and how to make one.
struct PublicClass {
  std::string progId;
  std::function<ObjectPtr()> create;
};

/// The exports' logic for a library that serves the given classes from libraryPath.
class ServerModule {
public:
  ServerModule(std::vector<PublicClass> classes, std::string libraryPath);
  ~ServerModule();

  HResult registerServer(Registry& registry) const;
  HResult unregisterServer(Registry& registry) const;
  HResult getClassObject(const char* progId, ClassFactory** factory);
  /// hrOk when no object of the library is alive, hrFalse otherwise.
  static HResult canUnloadNow() { return liveObjectCount() == 0 ? hrOk : hrFalse; }

private:
  class Factory;
  std::vector<PublicClass> m_classes;
  std::string m_libraryPath;
  std::vector<std::unique_ptr<Factory>> m_factories;
};

/// Creates an object from its program identifier: looks the library up in the registry,
/// loads it on first use and asks its class factory. Raises error 429 naming the identifier
/// when it is not registered or the library cannot serve it.
ObjectPtr createObject(std::string_view progId, const Registry& registry = Registry());

/// Loads a library (once) and returns its handle; raises error 429 when it cannot be loaded.
void* loadLibrary(const std::string& path);
/// A function exported by a loaded library, or nullptr.
void* librarySymbol(void* library, const char* name);

} // namespace tavro::com

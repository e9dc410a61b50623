#include "platform/registry/activation.h"

#include "util/text.h"

#include <dlfcn.h>
#include <map>
#include <mutex>

namespace tavro::com {

class ServerModule::Factory : public ClassFactory {
public:
  explicit Factory(const PublicClass& cls) : m_class(cls) {}
  ObjectPtr createInstance() override { return m_class.create(); }
  const std::string& progId() const { return m_class.progId; }

private:
  const PublicClass& m_class;
};

ServerModule::ServerModule(std::vector<PublicClass> classes, std::string libraryPath)
    : m_classes(std::move(classes)), m_libraryPath(std::move(libraryPath)) {}
ServerModule::~ServerModule() = default;

HResult ServerModule::registerServer(Registry& registry) const {
  try {
    for (const auto& cls : m_classes)
      registry.add(cls.progId, m_libraryPath);
    registry.save();
    return hrOk;
  } catch (const std::exception&) {
    return hrSelfRegClass;
  }
}

HResult ServerModule::unregisterServer(Registry& registry) const {
  try {
    for (const auto& cls : m_classes)
      registry.remove(cls.progId);
    registry.save();
    return hrOk;
  } catch (const std::exception&) {
    return hrSelfRegClass;
  }
}

HResult ServerModule::getClassObject(const char* progId, ClassFactory** factory) {
  if (!factory || !progId)
    return hrPointer;
  *factory = nullptr;
  for (const auto& f : m_factories) {
    if (util::equalsNoCase(f->progId(), progId)) {
      *factory = f.get();
      return hrOk;
    }
  }
  for (const auto& cls : m_classes) {
    if (util::equalsNoCase(cls.progId, progId)) {
      m_factories.push_back(std::make_unique<Factory>(cls));
      *factory = m_factories.back().get();
      return hrOk;
    }
  }
  return hrClassNotAvailable;
}

namespace {

using GetClassObjectFn = HResult (*)(const char*, ClassFactory**);

std::mutex g_libraries;
std::map<std::string, void*>& libraries() {
  static std::map<std::string, void*> loaded;
  return loaded;
}

} // namespace

void* loadLibrary(const std::string& path) {
  std::lock_guard lock(g_libraries);
  auto& loaded = libraries();
  if (auto it = loaded.find(path); it != loaded.end())
    return it->second;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    throw ComError(errCannotCreate, "cannot load '" + path + "': " + (why ? why : "unknown error"));
  }
  loaded.emplace(path, handle);
  return handle;
}

void* librarySymbol(void* library, const char* name) { return library ? ::dlsym(library, name) : nullptr; }

ObjectPtr createObject(std::string_view progId, const Registry& registry) {
  auto path = registry.lookup(progId);
  if (!path)
    throw ComError(errCannotCreate, "ActiveX component can't create object: '" + std::string(progId) +
                                        "' is not registered in " + registry.path().string());
  void* library = loadLibrary(*path);
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(librarySymbol(library, "DllGetClassObject"));
  if (!getClassObject)
    throw ComError(errCannotCreate, "'" + *path + "' does not export DllGetClassObject");
  ClassFactory* factory = nullptr;
  std::string id(progId);
  if (getClassObject(id.c_str(), &factory) != hrOk || !factory)
    throw ComError(errCannotCreate, "'" + *path + "' does not serve '" + id + "'");
  ObjectPtr object = factory->createInstance();
  if (!object)
    throw ComError(errCannotCreate);
  return object;
}

} // namespace tavro::com

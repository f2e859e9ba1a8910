#include "skins/ZipDlls.h"

#include "skins/ZipDirectory.h"

#include <QFile>
#include <dlfcn.h>

namespace vx::zipdll {
namespace {

struct Binding {
    void* handle = nullptr;
    UnzDllExecFn exec = nullptr;
    GetUnzDllVersionFn version = nullptr;
};

Binding& binding()
{
    static Binding b;
    return b;
}

}  // namespace

QString libraryFileName()
{
    return QStringLiteral("libunzdll.so");
}

void load(const QString& folder)
{
    Binding& b = binding();
    if (b.handle)
        return;
    QString path = libraryFileName();
    if (!folder.isEmpty())
        path = folder + (folder.endsWith(u'/') ? QString() : QStringLiteral("/")) + path;
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    const QString loadError = QStringLiteral("Unable to load %1").arg(QStringLiteral("\"UnzDll.dll\"."));
    if (!handle)
        throw ZipError(loadError);
    auto exec = reinterpret_cast<UnzDllExecFn>(dlsym(handle, "UnzDllExec"));
    auto version = reinterpret_cast<GetUnzDllVersionFn>(dlsym(handle, "GetUnzDllVersion"));
    if (!exec || !version) {
        dlclose(handle);
        throw ZipError(loadError);
    }
    if (version() < UNZ_INTERFACE_VERSION) {
        dlclose(handle);
        throw ZipError(QStringLiteral("Error - invalid version of ZipDll.dll or UnzDll.dll"));
    }
    b = Binding{handle, exec, version};
}

bool isLoaded()
{
    return binding().handle != nullptr;
}

void unload()
{
    Binding& b = binding();
    if (b.handle)
        dlclose(b.handle);
    b = Binding{};
}

UnzDllExecFn exec()
{
    return binding().exec;
}

}  // namespace vx::zipdll

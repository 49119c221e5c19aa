#pragma once
// The production bridge library loaded as the program loads it: by file name, its six
// exports bound by name, closed and unloaded at the end.
#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace kovrin::usbemu {

inline std::string BinDir()
{
    const char* bin = std::getenv("KOVRIN_BIN_DIR");
    return bin ? std::string(bin) + "/" : std::string("./");
}

class UbrixLibrary {
public:
    explicit UbrixLibrary(const std::string& path = BinDir() + "libubrix.so")
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle_) throw std::runtime_error(dlerror());
        Bind(Init, "USB_COM_Init");
        Bind(Close, "USB_COM_Close");
        Bind(Send, "Send_USB_Packet");
        Bind(Take, "Get_USB_Packet");
        Bind(Request, "SetUSBRequest");
        Bind(Opened, "GetUSBOpened");
    }
    ~UbrixLibrary()
    {
        Close(0);
        dlclose(handle_);
    }
    UbrixLibrary(const UbrixLibrary&) = delete;
    UbrixLibrary& operator=(const UbrixLibrary&) = delete;

    int (*Init)(unsigned char, unsigned char, const char*) = nullptr;
    int (*Close)(int) = nullptr;
    int (*Send)(char*, int) = nullptr;
    int (*Take)(char*) = nullptr;
    int (*Request)(int) = nullptr;
    int (*Opened)() = nullptr;

private:
    template <typename F> void Bind(F& f, const char* name)
    {
        f = reinterpret_cast<F>(dlsym(handle_, name));
        if (!f) throw std::runtime_error(std::string("missing export ") + name);
    }
    void* handle_;
};

} // namespace kovrin::usbemu

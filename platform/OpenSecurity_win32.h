#pragma once
// Security attributes whose descriptor has no access list, so every user and process may
// open the object; not inheritable. For the objects other users of the PC share while they
// exist: the events and the serial port (the shared log folder has its own access list).
#include <windows.h>

namespace kovrin {

struct OpenSecurity {
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};
    OpenSecurity()
    {
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
        attributes.nLength = sizeof attributes;
        attributes.lpSecurityDescriptor = &descriptor;
        attributes.bInheritHandle = FALSE;
    }
    OpenSecurity(const OpenSecurity&) = delete;
    OpenSecurity& operator=(const OpenSecurity&) = delete;
    SECURITY_ATTRIBUTES* get() { return &attributes; }
};

} // namespace kovrin

// The six entry points over the library's one Bridge. No exception leaves the library.
#include "ubrix.h"

#include "LibraryInstance.h"

namespace {

ubrix::Bridge& bridge() { return ubrix::libraryInstance().bridge; }

} // namespace

extern "C" {

UBRIX_API int UBRIX_CALL USB_COM_Init(unsigned char D, unsigned char DL, const char* F) {
    try {
        return bridge().USB_COM_Init(D, DL, F);
    } catch (...) {
        return ubrix::status::kNoAdapter;
    }
}

UBRIX_API int UBRIX_CALL USB_COM_Close(int keep) {
    try {
        return bridge().USB_COM_Close(keep);
    } catch (...) {
        return 0;
    }
}

UBRIX_API int UBRIX_CALL Send_USB_Packet(char* buf, int size) {
    try {
        return bridge().Send_USB_Packet(buf, size);
    } catch (...) {
        return 0;
    }
}

UBRIX_API int UBRIX_CALL Get_USB_Packet(char* buf) {
    try {
        return bridge().Get_USB_Packet(buf);
    } catch (...) {
        return 0;
    }
}

UBRIX_API int UBRIX_CALL SetUSBRequest(int request) {
    try {
        return bridge().SetUSBRequest(request);
    } catch (...) {
        return request;
    }
}

UBRIX_API int UBRIX_CALL GetUSBOpened(void) {
    try {
        return bridge().GetUSBOpened();
    } catch (...) {
        return 0;
    }
}

} // extern "C"

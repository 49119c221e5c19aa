#pragma once
// The six entry points of the USB bridge library. The program loads the library at run
// time and binds these by name; nothing else of the library is visible.

#if defined(_WIN32)
// ubrix.def exports the six undecorated names; no __declspec, which would add the
// decorated 32-bit names beside them.
#  define UBRIX_API
#  define UBRIX_CALL __stdcall
#else
#  define UBRIX_API __attribute__((visibility("default")))
#  define UBRIX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// 0: adapter open and reader running; 4: reader thread not created; 5: stop event not
// created; 98: no known adapter.
UBRIX_API int UBRIX_CALL USB_COM_Init(unsigned char D, unsigned char DL, const char* F);
// keep 0: final close; nonzero: first step of a re-initialisation. Always 0.
UBRIX_API int UBRIX_CALL USB_COM_Close(int keep);
// buf is zero-terminated and writable; it is padded in place with zeros to a multiple of
// 4 plus one terminator, all within size bytes. Always 0.
UBRIX_API int UBRIX_CALL Send_USB_Packet(char* buf, int size);
// Copies every pending byte into buf (room for 1199 bytes) and returns their number.
UBRIX_API int UBRIX_CALL Get_USB_Packet(char* buf);
UBRIX_API int UBRIX_CALL SetUSBRequest(int request);
UBRIX_API int UBRIX_CALL GetUSBOpened(void);

#ifdef __cplusplus
}
#endif

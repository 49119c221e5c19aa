"""Loads a bridge library the way a client does: by file name, binding the exports by name."""
import ctypes

def load(path):
    lib = ctypes.CDLL(path)
    lib.USB_COM_Init.argtypes = [ctypes.c_ubyte, ctypes.c_ubyte, ctypes.c_char_p]
    lib.USB_COM_Close.argtypes = [ctypes.c_int]
    lib.Send_USB_Packet.argtypes = [ctypes.c_char_p, ctypes.c_int]
    lib.Get_USB_Packet.argtypes = [ctypes.c_char_p]
    lib.SetUSBRequest.argtypes = [ctypes.c_int]
    lib.GetUSBOpened.argtypes = []
    for f in (lib.USB_COM_Init, lib.USB_COM_Close, lib.Send_USB_Packet, lib.Get_USB_Packet,
              lib.SetUSBRequest, lib.GetUSBOpened):
        f.restype = ctypes.c_int
    return lib

"""A connection of the bench's own to the X server (libX11 and libXtst through
ctypes): it presses the pointer's button through XTEST and reads single
pixels of the screen, each a round trip of well under a millisecond. The
xdotool command sleeps 100 ms after every click, and xwd takes about 10 ms
a look: timed with them, a click can never show less than about 110 ms."""
import ctypes
import os

_x11 = ctypes.CDLL("libX11.so.6")
_xtst = ctypes.CDLL("libXtst.so.6")


class _XImage(ctypes.Structure):
    # Only the leading fields are read; the image is freed with XFree after
    # its data (XDestroyImage is a macro).
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p)]


_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XGetImage.restype = ctypes.POINTER(_XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XGetPixel.restype = ctypes.c_ulong
_x11.XGetPixel.argtypes = [ctypes.POINTER(_XImage), ctypes.c_int, ctypes.c_int]
_x11.XFree.argtypes = [ctypes.c_void_p]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

_ALL_PLANES = 0xFFFFFFFF
_Z_PIXMAP = 2


class Pointer:
    def __init__(self):
        self._display = _x11.XOpenDisplay(os.environ["DISPLAY"].encode())
        if not self._display:
            raise RuntimeError("cannot open the X display")
        self._root = _x11.XDefaultRootWindow(self._display)

    def close(self):
        _x11.XCloseDisplay(self._display)

    def move(self, x, y):
        _xtst.XTestFakeMotionEvent(self._display, -1, x, y, 0)
        _x11.XSync(self._display, 0)

    def click(self, button=1):
        """Press and release, both sent before this returns."""
        _xtst.XTestFakeButtonEvent(self._display, button, 1, 0)
        _xtst.XTestFakeButtonEvent(self._display, button, 0, 0)
        _x11.XFlush(self._display)

    def pixel(self, x, y):
        """(r, g, b) of the screen at (x, y), as shown now."""
        image = _x11.XGetImage(self._display, self._root, x, y, 1, 1, _ALL_PLANES, _Z_PIXMAP)
        if not image:
            return (0, 0, 0)
        value = _x11.XGetPixel(image, 0, 0)
        _x11.XFree(image.contents.data)
        _x11.XFree(image)
        return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)

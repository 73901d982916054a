#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <string>
#include <utility>

#include "platform/linux/x11.h"
#include "platform/platform.h"
#include "res/resources.h"

// The last snapshot. Its shared segment stays attached from one capture to
// the next and is made again when the screen size changes.
static XImage* image = nullptr;
static XShmSegmentInfo segment{};  // shmaddr null when the image is not shared
static uint64_t imageConnection = 0;
static bool sharingFailed = false;  // on this connection
static std::string captureError;

static int Fail(int status, std::string reason) {
  captureError = std::move(reason);
  return status;
}

// d is null when the connection the image was made on is gone.
static void DropImage(Display* d) {
  if (!image) return;
  if (segment.shmaddr) {
    if (d) XShmDetach(d, &segment);
    shmdt(segment.shmaddr);
    segment = {};
    image->data = nullptr;
  }
  XDestroyImage(image);
  image = nullptr;
}

// 0x00RRGGBB in a 32-bit word of the machine's own byte order.
static bool Supported(const XWindowAttributes& a) {
  const Visual* v = a.visual;
  return v && v->c_class == TrueColor && v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 &&
         v->blue_mask == 0xFF && (a.depth == 24 || a.depth == 32);
}

static bool Usable(const XImage* im, const XWindowAttributes& a) {
  int order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  return im->bits_per_pixel == 32 && im->byte_order == order && im->width == a.width &&
         im->height == a.height && im->bytes_per_line == a.width * 4;
}

static bool MakeSharedImage(Display* d, const XWindowAttributes& a) {
  XImage* im =
      XShmCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, nullptr, &segment,
                      static_cast<unsigned>(a.width), static_cast<unsigned>(a.height));
  if (!im) return false;
  segment = {};
  segment.shmid =
      shmget(IPC_PRIVATE, static_cast<size_t>(im->bytes_per_line) * im->height, IPC_CREAT | 0600);
  void* address =
      segment.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(segment.shmid, nullptr, 0);
  bool attached = address != reinterpret_cast<void*>(-1);
  if (attached) {
    segment.shmaddr = im->data = static_cast<char*>(address);
    segment.readOnly = False;
    // A remote server cannot attach our memory; that shows as an X error.
    attached = XShmAttach(d, &segment) && X11Sync(d);
  }
  if (segment.shmid >= 0) shmctl(segment.shmid, IPC_RMID, nullptr);  // gone once detached
  if (!attached) {
    if (address != reinterpret_cast<void*>(-1)) shmdt(address);
    segment = {};
    im->data = nullptr;
    XDestroyImage(im);
    return false;
  }
  image = im;
  return true;
}

static bool CaptureShared(Display* d, Window root, const XWindowAttributes& a) {
  if (sharingFailed) return false;
  if (image && (!segment.shmaddr || image->width != a.width || image->height != a.height))
    DropImage(d);
  if (!image && !(XShmQueryExtension(d) && MakeSharedImage(d, a))) {
    sharingFailed = true;
    return false;
  }
  return XShmGetImage(d, root, image, 0, 0, AllPlanes);
}

// Without shared memory the server sends the pixels over the connection.
static int CaptureCopy(Display* d, Window root, const XWindowAttributes& a) {
  DropImage(d);
  image = XGetImage(d, root, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                    AllPlanes, ZPixmap);
  if (image) return 0;
  return X11Sync(d) ? -3 : -1;  // no X error: Xlib found no memory for it
}

int PlatformCaptureScreen(const uint32_t** pixels, uint32_t* width, uint32_t* height) {
  Display* d = X11Display();
  if (imageConnection != X11Connection()) {
    DropImage(nullptr);
    imageConnection = X11Connection();
    sharingFailed = false;
  }
  if (!d) return Fail(-1, X11DisplayProblem());
  Window root = DefaultRootWindow(d);
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, root, &a) || !Supported(a))
    return Fail(-1, "the X screen is not in 24-bit true colour");
  if (!CaptureShared(d, root, a)) {
    int status = CaptureCopy(d, root, a);
    if (status != 0)
      return Fail(status, status == -3 ? "no memory for the snapshot" : "the X server refused it");
  }
  if (!Usable(image, a)) return Fail(-1, "the X server gave an image of another layout");
  captureError.clear();
  *pixels = reinterpret_cast<const uint32_t*>(image->data);
  *width = static_cast<uint32_t>(a.width);
  *height = static_cast<uint32_t>(a.height);
  return 0;
}

std::string PlatformCaptureError() { return captureError; }

void PlatformUsePhysicalPixels() {}

std::string_view PlatformBitmapResource(uint16_t id) { return StoredBitmap(id); }

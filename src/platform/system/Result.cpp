#include "platform/system/Result.h"

#include <cstdio>

namespace sys {
namespace {

struct ResultText {
    HRESULT code;
    const char* name;
    const char* description;
};

// Where several names share a code, the first entry names it.
constexpr ResultText kResults[] = {
    {S_OK, "S_OK", "The operation completed successfully."},
    {S_FALSE, "S_FALSE", "The operation completed with a negative answer."},
    {E_FAIL, "E_FAIL", "An undetermined error occurred."},
    {E_NOTIMPL, "E_NOTIMPL", "The function is not implemented."},
    {E_NOINTERFACE, "E_NOINTERFACE", "The requested interface is not supported."},
    {E_POINTER, "E_POINTER", "An invalid pointer was passed."},
    {E_ABORT, "E_ABORT", "The operation was aborted."},
    {E_UNEXPECTED, "E_UNEXPECTED", "A catastrophic failure occurred."},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY", "Not enough memory to complete the call."},
    {E_INVALIDARG, "E_INVALIDARG", "An invalid parameter was passed."},
    {E_HANDLE, "E_HANDLE", "An invalid handle was passed."},
    {E_ACCESSDENIED, "E_ACCESSDENIED", "Access was denied."},
    {E_FILENOTFOUND, "E_FILENOTFOUND", "The file was not found."},
    {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED", "The object has not been initialized."},
    {D3DERR_WRONGTEXTUREFORMAT, "D3DERR_WRONGTEXTUREFORMAT", "The pixel format of the texture surface is not valid."},
    {D3DERR_UNSUPPORTEDCOLOROPERATION, "D3DERR_UNSUPPORTEDCOLOROPERATION", "The device does not support a specified texture-blending operation for color values."},
    {D3DERR_UNSUPPORTEDALPHAOPERATION, "D3DERR_UNSUPPORTEDALPHAOPERATION", "The device does not support a specified texture-blending operation for the alpha channel."},
    {D3DERR_TOOMANYOPERATIONS, "D3DERR_TOOMANYOPERATIONS", "The application is requesting more texture-filtering operations than the device supports."},
    {D3DERR_CONFLICTINGRENDERSTATE, "D3DERR_CONFLICTINGRENDERSTATE", "The current render states cannot be used together."},
    {D3DERR_DRIVERINTERNALERROR, "D3DERR_DRIVERINTERNALERROR", "Internal driver error."},
    {D3DERR_NOTFOUND, "D3DERR_NOTFOUND", "The requested item was not found."},
    {D3DERR_MOREDATA, "D3DERR_MOREDATA", "There is more data available than the specified buffer size can hold."},
    {D3DERR_DEVICELOST, "D3DERR_DEVICELOST", "The device has been lost but cannot be reset at this time."},
    {D3DERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET", "The device has been lost but can be reset at this time."},
    {D3DERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE", "This device does not support the queried technique."},
    {D3DERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY", "There is not enough display memory to perform the operation."},
    {D3DERR_INVALIDDEVICE, "D3DERR_INVALIDDEVICE", "The requested device type is not valid."},
    {D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL", "The method call is invalid."},
    {D3DERR_WASSTILLDRAWING, "D3DERR_WASSTILLDRAWING", "The previous blit operation is still incomplete."},
    {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA", "The data is invalid."},
    {DSERR_ALLOCATED, "DSERR_ALLOCATED", "The call failed because resources were already in use."},
    {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL", "The control requested by the caller is not available."},
    {DSERR_INVALIDCALL, "DSERR_INVALIDCALL", "This call is not valid for the current state of this object."},
    {DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED", "The caller does not have the priority level required for the function."},
    {DSERR_BADFORMAT, "DSERR_BADFORMAT", "The specified wave format is not supported."},
    {DSERR_NODRIVER, "DSERR_NODRIVER", "No sound driver is available for use."},
    {DSERR_BUFFERLOST, "DSERR_BUFFERLOST", "The buffer memory has been lost and must be restored."},
    {DIERR_INPUTLOST, "DIERR_INPUTLOST", "Access to the input device has been lost. It must be reacquired."},
    {DIERR_NOTACQUIRED, "DIERR_NOTACQUIRED", "The operation cannot be performed unless the device is acquired."},
    {DIERR_NOTINITIALIZED, "DIERR_NOTINITIALIZED", "The object has not been initialized."},
    {DIERR_DEVICENOTREG, "DIERR_DEVICENOTREG", "The device or device instance is not registered."},
    {VFW_E_NOT_FOUND, "VFW_E_NOT_FOUND", "An object or name was not found."},
    {VFW_E_UNSUPPORTED_STREAM, "VFW_E_UNSUPPORTED_STREAM", "The media type of this file is not recognized."},
    {VFW_E_CANNOT_RENDER, "VFW_E_CANNOT_RENDER", "No combination of filters could be found to render the stream."},
    {VFW_E_WRONG_STATE, "VFW_E_WRONG_STATE", "The operation could not be performed because the filter is in the wrong state."},
};

const ResultText* Find(HRESULT hr) {
    for (const ResultText& r : kResults)
        if (r.code == hr) return &r;
    return nullptr;
}

}  // namespace

const char* ResultName(HRESULT hr) {
    if (const ResultText* r = Find(hr)) return r->name;
    static thread_local char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

const char* ResultDescription(HRESULT hr) {
    if (const ResultText* r = Find(hr)) return r->description;
    return "Unknown error.";
}

}  // namespace sys

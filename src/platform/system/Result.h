// Result codes shared by every platform layer and the engine.
// A result is a 32-bit signed integer: 0 or positive succeeds, negative fails.
#pragma once
#include <cstdint>

using HRESULT = int32_t;

constexpr HRESULT MakeResult(uint32_t v) { return static_cast<HRESULT>(v); }

// Generic codes.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = MakeResult(0x80004005u);
constexpr HRESULT E_NOTIMPL = MakeResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeResult(0x80004004u);
constexpr HRESULT E_UNEXPECTED = MakeResult(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeResult(0x80070057u);
constexpr HRESULT E_HANDLE = MakeResult(0x80070006u);
constexpr HRESULT E_ACCESSDENIED = MakeResult(0x80070005u);
constexpr HRESULT E_FILENOTFOUND = MakeResult(0x80070002u);
constexpr HRESULT CO_E_NOTINITIALIZED = MakeResult(0x800401F0u);

// Graphics device codes.
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeResult(0x88760818u);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MakeResult(0x88760819u);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MakeResult(0x8876081Bu);
constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MakeResult(0x8876081Du);
constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MakeResult(0x88760822u);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MakeResult(0x88760827u);
constexpr HRESULT D3DERR_NOTFOUND = MakeResult(0x88760866u);
constexpr HRESULT D3DERR_MOREDATA = MakeResult(0x88760867u);
constexpr HRESULT D3DERR_DEVICELOST = MakeResult(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = MakeResult(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeResult(0x8876086Au);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeResult(0x8876017Cu);
constexpr HRESULT D3DERR_INVALIDDEVICE = MakeResult(0x8876086Bu);
constexpr HRESULT D3DERR_INVALIDCALL = MakeResult(0x8876086Cu);
constexpr HRESULT D3DERR_WASSTILLDRAWING = MakeResult(0x8876021Cu);
constexpr HRESULT D3DXERR_INVALIDDATA = MakeResult(0x88760B59u);

// Sound codes.
constexpr HRESULT DSERR_ALLOCATED = MakeResult(0x8878000Au);
constexpr HRESULT DSERR_CONTROLUNAVAIL = MakeResult(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_INVALIDCALL = MakeResult(0x88780032u);
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_PRIOLEVELNEEDED = MakeResult(0x88780046u);
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_BADFORMAT = MakeResult(0x88780064u);
constexpr HRESULT DSERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DSERR_NODRIVER = MakeResult(0x88780078u);
constexpr HRESULT DSERR_BUFFERLOST = MakeResult(0x88780096u);
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;

// Input codes.
constexpr HRESULT DIERR_INPUTLOST = MakeResult(0x8007001Eu);
constexpr HRESULT DIERR_NOTACQUIRED = MakeResult(0x8007000Cu);
constexpr HRESULT DIERR_NOTINITIALIZED = MakeResult(0x80070015u);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = E_ACCESSDENIED;
constexpr HRESULT DIERR_DEVICENOTREG = MakeResult(0x80040154u);
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;

// Media codes.
constexpr HRESULT VFW_E_NOT_FOUND = MakeResult(0x80040216u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = MakeResult(0x80040265u);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeResult(0x80040218u);
constexpr HRESULT VFW_E_WRONG_STATE = MakeResult(0x80040227u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

namespace sys {
// Name of a result code ("D3DERR_DEVICELOST"), or its hexadecimal form when unknown.
const char* ResultName(HRESULT hr);
// One-sentence description of a result code.
const char* ResultDescription(HRESULT hr);
}  // namespace sys

// HRESULT: the 32-bit result code of every platform call and of the program's own
// streaming interfaces. Negative means failure; S_FALSE (1) is a success that says "no".
#pragma once

#include <cstdint>

namespace zentar {

using HRESULT = int32_t;
using ULONG = uint32_t;
using BOOL = int32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using LONGLONG = int64_t;
using REFERENCE_TIME = int64_t; // 100-ns units

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

constexpr HRESULT MakeHResult(uint32_t value) { return static_cast<HRESULT>(value); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
inline constexpr HRESULT E_HANDLE = MakeHResult(0x80070006);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
// A write failed because the device is full (the Win32 error ERROR_DISK_FULL as HRESULT).
inline constexpr HRESULT STG_E_MEDIUMFULL = MakeHResult(0x80030070);
inline constexpr HRESULT HRESULT_WRITE_FAULT = MakeHResult(0x8007001D);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// An errno value as a failure code, the way the host wraps Win32 errors (0x8007xxxx).
constexpr HRESULT HResultFromErrno(int err) {
    return err <= 0 ? E_FAIL : MakeHResult(0x80070000u | (static_cast<uint32_t>(err) & 0xFFFFu));
}

} // namespace zentar

// The interfaces of the platform's media filters that the writer graph and the option
// dialogs call: the video compressor's controls (IAMVideoCompression), its own dialogs
// (IAMVfwCompressDialogs), the DV encoder's format (IDVEnc), the file writer's name
// (IFileSinkFilter), the AVI multiplexer's settings (IConfigAviMux, IConfigInterleaving),
// and IFileWriterStream, through which the AVI multiplexer writes into the file writer.
// Control calls come from the graph's control thread.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"
#include "platform/media/ByteSink.h"
#include "platform/streaming/MediaGuids.h"
#include "platform/streaming/MediaType.h"

#include <string>

namespace zentar {

// IAMVideoCompression capabilities.
inline constexpr LONG CompressionCaps_CanQuality = 0x01;
inline constexpr LONG CompressionCaps_CanCrunch = 0x02;
inline constexpr LONG CompressionCaps_CanKeyFrame = 0x04;
inline constexpr LONG CompressionCaps_CanBFrame = 0x08;
inline constexpr LONG CompressionCaps_CanWindow = 0x10;

struct IAMVideoCompression : IUnknown {
    static constexpr GUID kIid = IID_IAMVideoCompression;
    // Frames per key frame; a negative value restores the default. E_NOTIMPL when the
    // compressor has no key-frame control.
    virtual HRESULT put_KeyFrameRate(LONG keyFrameRate) = 0;
    virtual HRESULT get_KeyFrameRate(LONG* keyFrameRate) = 0;
    virtual HRESULT put_PFramesPerKeyFrame(LONG frames) = 0;
    virtual HRESULT get_PFramesPerKeyFrame(LONG* frames) = 0;
    // 0.0 (worst) .. 1.0 (best); a negative value restores the default. E_NOTIMPL when the
    // compressor has no quality control.
    virtual HRESULT put_Quality(double quality) = 0;
    virtual HRESULT get_Quality(double* quality) = 0;
    virtual HRESULT put_WindowSize(uint64_t frames) = 0;
    virtual HRESULT get_WindowSize(uint64_t* frames) = 0;
    // Version and description as UTF-16 text into buffers of *versionBytes and
    // *descriptionBytes bytes (each may be null; the byte counts are set to what the full
    // texts need, with their terminators); the defaults and CompressionCaps_* flags.
    virtual HRESULT GetInfo(WCHAR* version, int* versionBytes, WCHAR* description,
                            int* descriptionBytes, LONG* defaultKeyFrameRate,
                            LONG* defaultPFramesPerKey, double* defaultQuality,
                            LONG* capabilities) = 0;
    virtual HRESULT OverrideKeyFrame(LONG frame) = 0;
    virtual HRESULT OverrideFrameSize(LONG frame, LONG size) = 0;
};

inline constexpr int VfwCompressDialog_Config = 0x01;
inline constexpr int VfwCompressDialog_About = 0x02;
inline constexpr int VfwCompressDialog_QueryConfig = 0x04;
inline constexpr int VfwCompressDialog_QueryAbout = 0x08;

struct IAMVfwCompressDialogs : IUnknown {
    static constexpr GUID kIid = IID_IAMVfwCompressDialogs;
    // Config / About: shows the dialog modally over `parentWindow` (a QWidget*, may be
    // null). QueryConfig / QueryAbout: S_OK when the compressor has that dialog, else
    // S_FALSE.
    virtual HRESULT ShowDialog(int dialog, void* parentWindow) = 0;
    virtual HRESULT GetState(void* state, int* size) = 0;
    virtual HRESULT SetState(void* state, int size) = 0;
    virtual HRESULT SendDriverMessage(int message, long param1, long param2) = 0;
};

inline constexpr int DVENCODERVIDEOFORMAT_NTSC = 2000;
inline constexpr int DVENCODERVIDEOFORMAT_PAL = 2001;
inline constexpr int DVENCODERFORMAT_DVSD = 2007;
inline constexpr int DVENCODERFORMAT_DVHD = 2008;
inline constexpr int DVENCODERFORMAT_DVSL = 2009;
inline constexpr int DVENCODERRESOLUTION_720x480 = 2012;
inline constexpr int DVENCODERRESOLUTION_360x240 = 2013;
inline constexpr int DVENCODERRESOLUTION_180x120 = 2014;
inline constexpr int DVENCODERRESOLUTION_88x60 = 2015;

struct DVINFO {
    DWORD dwDVAAuxSrc = 0;
    DWORD dwDVAAuxCtl = 0;
    DWORD dwDVAAuxSrc1 = 0;
    DWORD dwDVAAuxCtl1 = 0;
    DWORD dwDVVAuxSrc = 0;
    DWORD dwDVVAuxCtl = 0;
    DWORD dwDVReserved[2] = {};
};
static_assert(sizeof(DVINFO) == 32);

struct IDVEnc : IUnknown {
    static constexpr GUID kIid = IID_IDVEnc;
    virtual HRESULT get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                          BYTE wantDvInfo, DVINFO* dvInfo) = 0;
    // Only 'dvsd' at full resolution is written; other choices give E_INVALIDARG.
    virtual HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                          BYTE wantDvInfo, DVINFO* dvInfo) = 0;
};

// A video compressor's options beyond IAMVideoCompression, set before its input connects:
// the encoder's preset (x264, x265, SVT-AV1; empty: its default; others ignore it) and
// whether parameter sets travel as extra data of the type (MP4, Matroska) instead of
// inside the stream (AVI).
struct IConfigVideoEncoder : IUnknown {
    static constexpr GUID kIid = MakeGuid("{3A6C9E51-2B7D-4E80-9F14-C58D0A2B7E63}");
    virtual HRESULT SetPreset(const char* preset) = 0;
    virtual HRESULT GetPreset(std::string* preset) = 0;
    virtual HRESULT SetGlobalHeader(BOOL global) = 0;
};

struct IFileSinkFilter : IUnknown {
    static constexpr GUID kIid = IID_IFileSinkFilter;
    // The file the filter writes; the media type is ignored (may be null).
    virtual HRESULT SetFileName(LPCWSTR fileName, const MediaType* type) = 0;
    // E_FAIL while no name is set.
    virtual HRESULT GetCurFile(std::u16string* fileName, MediaType* type) = 0;
};

struct IConfigAviMux : IUnknown {
    static constexpr GUID kIid = IID_IConfigAviMux;
    virtual HRESULT SetMasterStream(LONG stream) = 0;
    virtual HRESULT GetMasterStream(LONG* stream) = 0;
    virtual HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) = 0;
    virtual HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) = 0;
};

enum InterleavingMode {
    INTERLEAVE_NONE = 0,
    INTERLEAVE_CAPTURE = 1,
    INTERLEAVE_FULL = 2,
    INTERLEAVE_NONE_BUFFERED = 3
};

struct IConfigInterleaving : IUnknown {
    static constexpr GUID kIid = IID_IConfigInterleaving;
    virtual HRESULT put_Mode(InterleavingMode mode) = 0;
    virtual HRESULT get_Mode(InterleavingMode* mode) = 0;
    virtual HRESULT put_Interleaving(const REFERENCE_TIME* leaving,
                                     const REFERENCE_TIME* preroll) = 0;
    virtual HRESULT get_Interleaving(REFERENCE_TIME* leaving, REFERENCE_TIME* preroll) = 0;
};

// The file writer's random-access side, used by the AVI multiplexer connected to it (an
// AVI index is written after the data and the header is rewritten at the end).
// BeginFile creates or truncates the named file and lends its byte sink until EndFile,
// which closes the file and reports a late write error. Calls come from whichever thread
// the multiplexer writes on, one at a time.
struct IFileWriterStream : IUnknown {
    static constexpr GUID kIid = MakeGuid("{7D3E2B64-5C1A-4F38-A0D2-6E8B1C4F9A13}");
    virtual HRESULT BeginFile(ByteSink** sink) = 0;
    virtual HRESULT EndFile() = 0;
};

} // namespace zentar

// The identifiers of media types, subtypes, format types, time formats and the graph
// objects that callers create by class identifier. Values are the public registry
// values where those exist, so format blocks and stored settings stay comparable.
#pragma once

#include "platform/com/Guid.h"

namespace zentar {

// Major types.
inline constexpr GUID MEDIATYPE_Video = FourCCGuid(MakeFourCC('v', 'i', 'd', 's'));
inline constexpr GUID MEDIATYPE_Audio = FourCCGuid(MakeFourCC('a', 'u', 'd', 's'));
inline constexpr GUID MEDIATYPE_Stream = MakeGuid("{E436EB83-524F-11CE-9F53-0020AF0BA770}");

// Subtypes. Compressed video subtypes are FourCC GUIDs (FourCCGuid).
inline constexpr GUID MEDIASUBTYPE_NULL = GUID_NULL;
inline constexpr GUID MEDIASUBTYPE_RGB1 = MakeGuid("{E436EB78-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB4 = MakeGuid("{E436EB79-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB8 = MakeGuid("{E436EB7A-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB565 = MakeGuid("{E436EB7B-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB555 = MakeGuid("{E436EB7C-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB24 = MakeGuid("{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB32 = MakeGuid("{E436EB7E-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_Avi = MakeGuid("{E436EB88-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_PCM = FourCCGuid(1); // the wave format tag as Data1
inline constexpr GUID MEDIASUBTYPE_dvsd = FourCCGuid(MakeFourCC('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_dvhd = FourCCGuid(MakeFourCC('d', 'v', 'h', 'd'));
inline constexpr GUID MEDIASUBTYPE_dvsl = FourCCGuid(MakeFourCC('d', 'v', 's', 'l'));
static_assert(MEDIASUBTYPE_dvsd == MakeGuid("{64737664-0000-0010-8000-00AA00389B71}"));
static_assert(MEDIASUBTYPE_dvhd == MakeGuid("{64687664-0000-0010-8000-00AA00389B71}"));
static_assert(MEDIASUBTYPE_dvsl == MakeGuid("{6C737664-0000-0010-8000-00AA00389B71}"));

// Format types.
inline constexpr GUID FORMAT_None = MakeGuid("{0F6417D6-C318-11D0-A43F-00A0C9223196}");
inline constexpr GUID FORMAT_VideoInfo = MakeGuid("{05589F80-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_VideoInfo2 = MakeGuid("{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA}");
inline constexpr GUID FORMAT_WaveFormatEx = MakeGuid("{05589F81-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_DvInfo = MakeGuid("{05589F84-C356-11CE-BF01-00AA0055595A}");

// Time formats of IMediaSeeking.
inline constexpr GUID TIME_FORMAT_NONE = GUID_NULL;
inline constexpr GUID TIME_FORMAT_FRAME = MakeGuid("{7B785570-8C82-11CF-BC0C-00AA00AC74F6}");
inline constexpr GUID TIME_FORMAT_BYTE = MakeGuid("{7B785571-8C82-11CF-BC0C-00AA00AC74F6}");
inline constexpr GUID TIME_FORMAT_SAMPLE = MakeGuid("{7B785572-8C82-11CF-BC0C-00AA00AC74F6}");
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = MakeGuid("{7B785574-8C82-11CF-BC0C-00AA00AC74F6}");

// Graph objects and platform filters created by class identifier.
inline constexpr CLSID CLSID_FilterGraph = MakeGuid("{E436EBB3-524F-11CE-9F53-0020AF0BA770}");
inline constexpr CLSID CLSID_CaptureGraphBuilder2 =
    MakeGuid("{BF87B6E1-8C27-11D0-B3F0-00AA003761C5}");
inline constexpr CLSID CLSID_SystemDeviceEnum = MakeGuid("{62BE5D10-60EB-11D0-BD3B-00A0C911CE86}");
inline constexpr CLSID CLSID_VideoCompressorCategory =
    MakeGuid("{33D9A760-90C8-11D0-BD43-00A0C911CE86}");
inline constexpr CLSID CLSID_AudioCompressorCategory =
    MakeGuid("{33D9A761-90C8-11D0-BD43-00A0C911CE86}");
inline constexpr CLSID CLSID_AviDest = MakeGuid("{E2510970-F137-11CE-8B67-00AA00A3F1A6}");
// The platform's own MP4 and Matroska multiplexers, built like the AVI Mux.
inline constexpr CLSID CLSID_Mp4Mux = MakeGuid("{5C3E7A12-9D4B-4F61-A2E8-3B7C1D905E44}");
inline constexpr CLSID CLSID_MatroskaMux = MakeGuid("{8E1B4D27-6A3F-4C92-B5D0-7F2E9A61C3B8}");
inline constexpr CLSID CLSID_FileWriter = MakeGuid("{8596E5F0-0DA5-11D0-BD21-00A0C911CE86}");
inline constexpr CLSID CLSID_DVMux = MakeGuid("{129D7E40-C10D-11D0-AFB9-00AA00B67A42}");
inline constexpr CLSID CLSID_ACMWrapper = MakeGuid("{6A08CF80-0E18-11CF-A24D-0020AFD79767}");
inline constexpr CLSID CLSID_AsyncReader = MakeGuid("{E436EBB5-524F-11CE-9F53-0020AF0BA770}");

// Interfaces implemented by the platform's media filters (declared with them); the
// values are collected here so that every declaration uses the same identifier.
inline constexpr IID IID_IDVEnc = MakeGuid("{D18E17A0-AACB-11D0-AFB0-00AA00B67A42}");
inline constexpr IID IID_IFileSinkFilter = MakeGuid("{A2104830-7C70-11CF-8BCE-00AA00A3F1A6}");
inline constexpr IID IID_IAMVideoCompression = MakeGuid("{C6E13343-30AC-11D0-A18C-00A0C9118956}");
inline constexpr IID IID_IAMVfwCompressDialogs = MakeGuid("{D8D715A3-6E5E-11D0-B3F0-00AA003761C5}");
inline constexpr IID IID_IConfigAviMux = MakeGuid("{5ACD6AA0-F482-11CE-8B67-00AA00A3F1A6}");
inline constexpr IID IID_IConfigInterleaving = MakeGuid("{BEE3D220-157B-11D0-BD23-00A0C911CE86}");
inline constexpr IID IID_ICreateDevEnum = MakeGuid("{29840822-5B84-11D0-BD3B-00A0C911CE86}");
inline constexpr IID IID_IPropertyBag = MakeGuid("{55272A00-42CB-11CE-8135-00AA004BB851}");
inline constexpr IID IID_IMoniker = MakeGuid("{0000000F-0000-0000-C000-000000000046}");

} // namespace zentar

// FileWriterFilter: the platform's "File writer" (CLSID_FileWriter). A renderer for a
// byte stream (MEDIATYPE_Stream) that writes one file, named with IFileSinkFilter. The
// AVI Mux connected to it writes through IFileWriterStream (random access: the AVI index
// and header are written last); samples delivered to its pin are written at the byte
// offset their start time gives. End of stream from the multiplexer (after the file is
// finished) makes the renderer base send EC_COMPLETE.
//
// The file and its name are guarded by fileMutex_: the name is set on the control thread,
// the file is written on the upstream streaming threads (one at a time) and, at Stop, on
// the control thread by the multiplexer finishing the file.
#pragma once

#include "platform/media/FileByteSink.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/streaming/BaseRenderer.h"

#include <mutex>
#include <string>

namespace zentar {

class FileWriterFilter : public BaseRenderer, public IFileSinkFilter, public IFileWriterStream {
public:
    FileWriterFilter();

    ZENTAR_FORWARD_IUNKNOWN(BaseRenderer)

    // BaseRenderer
    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;

    // IFileSinkFilter
    HRESULT SetFileName(LPCWSTR fileName, const MediaType* type) override;
    HRESULT GetCurFile(std::u16string* fileName, MediaType* type) override;

    // IFileWriterStream
    HRESULT BeginFile(ByteSink** sink) override;
    HRESULT EndFile() override;

protected:
    ~FileWriterFilter() override;
    void* QueryInterfaceExtra(REFIID iid) override;

private:
    HRESULT openLocked();

    std::mutex fileMutex_;
    std::u16string fileName_; // fileMutex_
    FileByteSink file_;       // fileMutex_
};

} // namespace zentar

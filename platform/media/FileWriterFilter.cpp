#include "platform/media/FileWriterFilter.h"

namespace zentar {

FileWriterFilter::FileWriterFilter() : BaseRenderer(CLSID_FileWriter, u"in") {}

FileWriterFilter::~FileWriterFilter() {
    std::lock_guard lock(fileMutex_);
    if (file_.isOpen())
        file_.close();
}

void* FileWriterFilter::QueryInterfaceExtra(REFIID iid) {
    if (iid == IFileSinkFilter::kIid)
        return static_cast<IFileSinkFilter*>(this);
    if (iid == IFileWriterStream::kIid)
        return static_cast<IFileWriterStream*>(this);
    return BaseRenderer::QueryInterfaceExtra(iid);
}

HRESULT FileWriterFilter::CheckMediaType(const MediaType* type) {
    return type && type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT FileWriterFilter::SetFileName(LPCWSTR fileName, const MediaType* /*type*/) {
    if (!fileName)
        return E_POINTER;
    if (!*fileName)
        return E_INVALIDARG;
    std::lock_guard lock(fileMutex_);
    fileName_ = fileName;
    return S_OK;
}

HRESULT FileWriterFilter::GetCurFile(std::u16string* fileName, MediaType* type) {
    if (!fileName)
        return E_POINTER;
    std::lock_guard lock(fileMutex_);
    if (fileName_.empty())
        return E_FAIL;
    *fileName = fileName_;
    if (type) {
        *type = MediaType();
        type->majortype = MEDIATYPE_Stream;
        type->subtype = MEDIASUBTYPE_Avi;
    }
    return S_OK;
}

HRESULT FileWriterFilter::openLocked() {
    if (fileName_.empty())
        return E_UNEXPECTED; // no file name was set
    if (file_.isOpen())
        file_.close();
    return file_.open(Utf8FromWide(fileName_));
}

HRESULT FileWriterFilter::BeginFile(ByteSink** sink) {
    if (!sink)
        return E_POINTER;
    *sink = nullptr;
    std::lock_guard lock(fileMutex_);
    HRESULT hr = openLocked();
    if (FAILED(hr))
        return hr;
    *sink = &file_;
    return S_OK;
}

HRESULT FileWriterFilter::EndFile() {
    std::lock_guard lock(fileMutex_);
    return file_.isOpen() ? file_.close() : S_FALSE;
}

HRESULT FileWriterFilter::DoRenderSample(IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const LONG length = sample->GetActualDataLength();
    std::lock_guard lock(fileMutex_);
    if (!file_.isOpen()) {
        HRESULT hr = openLocked();
        if (FAILED(hr))
            return hr;
    }
    // A byte stream's sample times are its offsets in the file.
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    const HRESULT timed = sample->GetTime(&start, &stop);
    if (timed == S_OK || timed == VFW_S_NO_STOP_TIME) {
        HRESULT hr = file_.seek(start);
        if (FAILED(hr))
            return hr;
    }
    return length > 0 ? file_.write(data, static_cast<size_t>(length)) : S_OK;
}

} // namespace zentar

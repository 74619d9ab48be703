// CaptureGraphBuilder: finds pins by direction, media type, connection state and index,
// and renders a stream from a source pin or filter into a sink filter (through an
// intermediate filter when one is given, and through the graph's intelligent Connect).
// Holds a reference to the graph set with SetFiltergraph. Control thread only.
// Pins have no categories here: a non-null category finds no pin.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/streaming/StreamingInterfaces.h"

namespace zentar {

struct ICaptureGraphBuilder2 : IUnknown {
    static constexpr GUID kIid = MakeGuid("{93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D}");
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
    // `source` is a filter (its pins are searched) or a pin (it is the only candidate).
    // `type`: only pins that offer (or are connected with) this major type. E_FAIL when
    // no pin matches.
    virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                            const GUID* type, BOOL unconnectedOnly, int index, IPin** pin) = 0;
    // Connects `source` (an output pin, or a filter whose first unconnected output pin
    // of `type` that can be rendered is used) to an unconnected input pin of `sink`,
    // through `intermediate` when given.
    virtual HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) = 0;
};

inline constexpr GUID IID_ICaptureGraphBuilder2 = ICaptureGraphBuilder2::kIid;

class CaptureGraphBuilder : public ComObject<ICaptureGraphBuilder2> {
public:
    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT GetFiltergraph(IGraphBuilder** graph) override;
    HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                    const GUID* type, BOOL unconnectedOnly, int index, IPin** pin) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                         IBaseFilter* intermediate, IBaseFilter* sink) override;

private:
    // Connects `output` to the first unconnected input pin of `target` that takes it.
    HRESULT connectToFilter(IPin* output, IBaseFilter* target);
    HRESULT renderPin(IPin* output, IBaseFilter* intermediate, IBaseFilter* sink);

    ComPtr<IGraphBuilder> graph_; // control thread
};

} // namespace zentar

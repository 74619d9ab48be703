// ComObject<Interfaces...>: the reference counting and QueryInterface of an object
// that implements the listed interfaces. A concrete class derives from it, lists its
// interfaces, and is created with MakeComObject, which returns the first reference.
// Interfaces that are not in the list can be added by overriding QueryInterfaceExtra.
#pragma once

#include "platform/com/ComPtr.h"

#include <atomic>
#include <new>

namespace zentar {

template <class First, class... Rest> class ComObject : public First, public Rest... {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        } else if (!findInterface<First, Rest...>(iid, object)) {
            void* extra = QueryInterfaceExtra(iid);
            if (!extra)
                return E_NOINTERFACE;
            *object = extra;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        ULONG left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    ~ComObject() override = default;
    // Additional interfaces (for example ones reached through a member object); the
    // returned pointer gets its reference from QueryInterface.
    virtual void* QueryInterfaceExtra(REFIID) { return nullptr; }

private:
    template <class I, class... More> bool findInterface(REFIID iid, void** object) {
        if (iid == I::kIid) {
            *object = static_cast<I*>(this);
            return true;
        }
        if constexpr (sizeof...(More) > 0)
            return findInterface<More...>(iid, object);
        return false;
    }

    std::atomic<ULONG> refCount_{0};
};

// Creates T with one reference held by the returned ComPtr.
template <class T, class... Args> ComPtr<T> MakeComObject(Args&&... args) {
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    return ComPtr<T>(object);
}

} // namespace zentar

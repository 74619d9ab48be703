// ComPtr<T>: owns one reference to a reference-counted object (anything with AddRef
// and Release). Copying adds a reference, destruction releases it.
#pragma once

#include "platform/com/Unknown.h"

#include <type_traits>
#include <utility>

namespace zentar {

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    ComPtr(T* p) : ptr_(p) {
        if (ptr_)
            ptr_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.ptr_) {}
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    // Adopts a pointer that already carries a reference.
    static ComPtr Adopt(T* p) {
        ComPtr result;
        result.ptr_ = p;
        return result;
    }
    void Attach(T* p) {
        Reset();
        ptr_ = p;
    }
    T* Detach() { return std::exchange(ptr_, nullptr); }
    void Reset() {
        if (T* p = std::exchange(ptr_, nullptr))
            p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(ptr_, other.ptr_); }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // For out parameters: releases what is held and returns the slot to fill.
    T** GetAddressOf() {
        Reset();
        return &ptr_;
    }
    void** GetVoidAddressOf() { return reinterpret_cast<void**>(GetAddressOf()); }

    // QueryInterface for the interface U (which declares kIid).
    template <class U> HRESULT As(ComPtr<U>& out) const {
        if (!ptr_) {
            out.Reset();
            return E_POINTER;
        }
        return ptr_->QueryInterface(U::kIid, out.GetVoidAddressOf());
    }
    template <class U> ComPtr<U> As() const {
        ComPtr<U> out;
        As(out);
        return out;
    }
    // Hands out an extra reference through a raw out parameter.
    HRESULT CopyTo(T** out) const {
        if (!out)
            return E_POINTER;
        *out = ptr_;
        if (ptr_)
            ptr_->AddRef();
        return S_OK;
    }

    bool operator==(const ComPtr& other) const { return ptr_ == other.ptr_; }
    bool operator==(const T* other) const { return ptr_ == other; }

private:
    T* ptr_ = nullptr;
};

} // namespace zentar

// An input pin that keeps its connection: the peer that connected to it and
// the media type they agreed on. ReceiveConnection, Disconnect, ConnectedTo and
// ConnectionMediaType are answered here once; a pin says which types it takes
// (AcceptConnection) and what it forgets on disconnecting (OnDisconnected).
// Base is InputPin for a pin with its own count, CountedInputPin for one on
// the heap.
#pragma once

#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "orlin/com_ref.h"
#include "orlin/dshow.h"
#include "orlin/input_pin.h"

namespace orlin {

template <class Base = InputPin>
class ConnectedInputPin : public Base {
 public:
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override {
    if (pConnector == nullptr || pmt == nullptr) return E_POINTER;
    std::lock_guard lock(connection_mutex_);
    if (peer_) return VFW_E_ALREADY_CONNECTED;
    std::vector<BYTE> block;
    try {
      if (pmt->pbFormat != nullptr) block.assign(pmt->pbFormat, pmt->pbFormat + pmt->cbFormat);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    const HRESULT accepted = AcceptConnection(*pmt);
    if (accepted != S_OK) return accepted;
    format_block_ = std::move(block);
    type_ = *pmt;
    type_.pUnk = nullptr;  // the agreed type keeps no object alive
    type_.cbFormat = static_cast<ULONG>(format_block_.size());
    type_.pbFormat = format_block_.empty() ? nullptr : format_block_.data();
    peer_.Share(pConnector);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Disconnect() override {
    ComRef<IPin> old;  // released after the lock
    {
      std::lock_guard lock(connection_mutex_);
      if (!peer_) return S_FALSE;
      old = std::move(peer_);
      OnDisconnected();
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pPin) override {
    if (pPin == nullptr) return E_POINTER;
    std::lock_guard lock(connection_mutex_);
    *pPin = peer_.Get();
    if (!peer_) return VFW_E_NOT_CONNECTED;
    peer_->AddRef();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) override {
    if (pmt == nullptr) return E_POINTER;
    std::lock_guard lock(connection_mutex_);
    std::memset(pmt, 0, sizeof *pmt);
    if (!peer_) return VFW_E_NOT_CONNECTED;
    BYTE* block = nullptr;
    if (!format_block_.empty()) {
      block = static_cast<BYTE*>(CoTaskMemAlloc(format_block_.size()));
      if (block == nullptr) return E_OUTOFMEMORY;
      std::memcpy(block, format_block_.data(), format_block_.size());
    }
    *pmt = type_;
    pmt->pbFormat = block;
    return S_OK;
  }

 protected:
  ConnectedInputPin() = default;

  bool Connected() const {
    std::lock_guard lock(connection_mutex_);
    return static_cast<bool>(peer_);
  }
  ~ConnectedInputPin() = default;

  // S_OK takes a connection of this type; any other code is returned to the
  // connecting pin as it is. Called under the connection's lock.
  virtual HRESULT AcceptConnection(const AM_MEDIA_TYPE&) { return S_OK; }
  // The connection is gone; called under the connection's lock.
  virtual void OnDisconnected() {}

 private:
  mutable std::mutex connection_mutex_;
  ComRef<IPin> peer_;
  AM_MEDIA_TYPE type_{};  // pbFormat points into format_block_
  std::vector<BYTE> format_block_;
};

}  // namespace orlin

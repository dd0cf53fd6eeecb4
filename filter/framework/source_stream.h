// A source output pin with its own worker thread: the worker takes empty samples
// from the allocator, has the derived pin fill them and delivers them downstream.
#pragma once

#include "filter/framework/am_thread.h"
#include "filter/framework/base_output_pin.h"

namespace orlin::framework {

class CSource;

class CSourceStream : public CAMThread, public CBaseOutputPin {
 public:
  // Commands of the worker handshake.
  enum Command : DWORD { CMD_INIT = 0, CMD_PAUSE = 1, CMD_RUN = 2, CMD_STOP = 3, CMD_EXIT = 4 };

  // Registers the pin with its filter; the result goes into phr unless phr
  // holds a failure already (the pin's name could not be copied).
  CSourceStream(const WCHAR* object_name, HRESULT* phr, CSource* filter, const WCHAR* pin_name);
  // Takes the pin out of its filter.
  ~CSourceStream() override;

  // ---- Thread face (slot order follows ThreadProc and the destructor) ----
  DWORD ThreadProc() override;
  // Fills one sample: S_OK delivers it, S_FALSE ends the stream, a failure aborts.
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
  virtual HRESULT OnThreadCreate();
  virtual HRESULT OnThreadDestroy();
  virtual HRESULT OnThreadStartPlay();
  virtual HRESULT DoBufferProcessing();
  // The pin's one media type, into an initialised record.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE* type);

  // ---- Pin face: framework operations ----
  // Starts the worker on leaving the stopped state.
  HRESULT Active() override;
  // Stops the worker on entering the stopped state.
  HRESULT Inactive() override;
  // Gives the buffers back and ends the worker, whatever the filter's state:
  // for a filter going away without Stop.
  void StopWorker();
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;

  // ---- IPin ----
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;

 protected:
  CSource* const source_;

 private:
  // CMD_STOP and CMD_EXIT to a worker found running, then the join.
  HRESULT EndWorker();
};

}  // namespace orlin::framework

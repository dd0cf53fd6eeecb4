// Writing and removing what makes the filter findable: the COM class keys under
// HKEY_CLASSES_ROOT and the filter's entry in the general DirectShow filter
// list (through the filter mapper).
#pragma once

#include "filter/com_server/factory_template.h"
#include "orlin/module.h"

namespace orlin::filter {

// The module whose file is registered as the in-process server; recorded by
// the library's entry point (null: the program itself).
void SetServerModule(HMODULE module);
HMODULE ServerModule();

// The registration routine of both registration exports: class keys and filter
// list entries of every template, written (TRUE) or removed (FALSE). Writing
// fails, with nothing written, when the module's file name cannot be had whole.
HRESULT RegisterAllServers(BOOL doRegister);

// HKEY_CLASSES_ROOT\CLSID\{clsid} with the description, and its InprocServer32
// subkey with the file and threading model.
HRESULT AMovieSetupRegisterServer(REFCLSID clsid, LPCWSTR description, LPCWSTR fileName,
                                  LPCWSTR threadingModel, LPCWSTR serverType);
// Deletes that key tree; a key that is not there is left alone (S_OK).
HRESULT AMovieSetupUnregisterServer(REFCLSID clsid);

// The filter's entry in the general filter list, through either mapper.
HRESULT RegisterFilter2(const framework::AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper, BOOL doRegister);
HRESULT RegisterFilter1(const framework::AMOVIESETUP_FILTER* setup, IFilterMapper* mapper, BOOL doRegister);

}  // namespace orlin::filter

// The Crateload2 automation object.
#pragma once

#include "common/com_object.h"
#include "common/handles.h"
#include "component/asp_page.h"
#include "component/state.h"
#include "policy/policy_switches.h"
#include "zip/do_zip.h"
#include "kbaycl20.h"

#include <atomic>

namespace kb {

class Crateload2 final : public ComObject<_Crateload2, IID_IDispatch, IID__Crateload2> {
public:
    Crateload2();
    ~Crateload2();

    // IDispatch, answered from the embedded type library.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

    // _Crateload2
    STDMETHODIMP onStartPage(ScriptingContext** SContext) override;
    STDMETHODIMP getTempFilePath(BSTR* result) override;
    STDMETHODIMP put_hideResponse(VARIANT_BOOL vData) override;
    STDMETHODIMP get_hideResponse(VARIANT_BOOL* result) override;
    STDMETHODIMP put_sourceFileList(BSTR vData) override;
    STDMETHODIMP get_sourceFileList(BSTR* result) override;
    STDMETHODIMP put_zipFileName(BSTR vData) override;
    STDMETHODIMP get_zipFileName(BSTR* result) override;
    STDMETHODIMP put_compressionRate(short vData) override;
    STDMETHODIMP get_compressionRate(short* result) override;
    STDMETHODIMP put_encryptString(BSTR vData) override;
    STDMETHODIMP get_encryptString(BSTR* result) override;
    STDMETHODIMP put_recurseDirs(VARIANT_BOOL vData) override;
    STDMETHODIMP get_recurseDirs(VARIANT_BOOL* result) override;
    STDMETHODIMP put_deleteOriginalFiles(VARIANT_BOOL vData) override;
    STDMETHODIMP get_deleteOriginalFiles(VARIANT_BOOL* result) override;
    STDMETHODIMP put_virtualTargetRoot(BSTR vData) override;
    STDMETHODIMP get_virtualTargetRoot(BSTR* result) override;
    STDMETHODIMP put_daysOldToDelete(short vData) override;
    STDMETHODIMP get_daysOldToDelete(short* result) override;
    STDMETHODIMP put_fileListRoot(BSTR vData) override;
    STDMETHODIMP get_fileListRoot(BSTR* result) override;
    STDMETHODIMP put_beforeFileHTML(BSTR vData) override;
    STDMETHODIMP get_beforeFileHTML(BSTR* result) override;
    STDMETHODIMP put_afterFileHTML(BSTR vData) override;
    STDMETHODIMP get_afterFileHTML(BSTR* result) override;
    STDMETHODIMP get_zipfileDownloadHref(BSTR* result) override;
    STDMETHODIMP get_zipIsBusy(VARIANT_BOOL* result) override;
    STDMETHODIMP doZip(VARIANT* ErrorNumber, VARIANT* ErrorText, VARIANT_BOOL* result) override;
    STDMETHODIMP deleteOldFiles(short* result) override;
    STDMETHODIMP fileListing(VARIANT* FileSpecification, short* result) override;

private:
    HRESULT setGuardedPath(policy::Switch s, BSTR value, std::wstring& member, bool& withinSite);
    HRESULT setGuardedOption(policy::Switch s, VARIANT_BOOL value, VARIANT_BOOL& member);
    static HRESULT setString(BSTR value, std::wstring& member);
    // Hands the final status to the page's optional out-parameters.
    static void reportStatus(const ZipOutcome& outcome, VARIANT* errorNumber, VARIANT* errorText);
    AspPage page() { return AspPage(context_.get(), state_.hideResponse != VARIANT_FALSE); }
    // Hands a failure to the administrator's log, with the page's path.
    void record(const std::optional<Failure>& failure);

    ComPtr<IDispatch> context_;
    ComponentState state_;
};

}  // namespace kb

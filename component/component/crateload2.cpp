#include "component/crateload2.h"

#include "common/errors.h"
#include "common/temp_directory.h"
#include "common/text.h"
#include "component/module.h"
#include "component/variant_args.h"
#include "log/failure_log.h"
#include "maintenance/delete_old_files.h"
#include "maintenance/file_listing.h"
#include "policy/busy_wait_setting.h"
#include "status/status_messages.h"

namespace kb {

Crateload2::Crateload2() : ComObject(1) {
    // Every other member starts at its initial value (see ComponentState).
    state_.tempDirectory = kb::getTempFilePath();
    module::objectCreated();
}

Crateload2::~Crateload2() { module::objectDestroyed(); }

// IDispatch

STDMETHODIMP Crateload2::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP Crateload2::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return module::interfaceTypeInfo(info);
}

STDMETHODIMP Crateload2::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    HRESULT hr = module::interfaceTypeInfo(info.put());
    if (FAILED(hr)) return hr;
    return info->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP Crateload2::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excepInfo, UINT* argErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    HRESULT hr = module::interfaceTypeInfo(info.put());
    if (FAILED(hr)) return hr;
    return info->Invoke(static_cast<_Crateload2*>(this), id, flags, params, result, excepInfo, argErr);
}

// Page life

STDMETHODIMP Crateload2::onStartPage(ScriptingContext** SContext) {
    // The caller's variable is left as it is; we keep our own reference.
    context_ = (SContext && *SContext) ? ComPtr<IDispatch>(*SContext) : ComPtr<IDispatch>();
    return S_OK;
}

// Operations: each turns every fault into its own status, so none fails the call.

STDMETHODIMP Crateload2::doZip(VARIANT* ErrorNumber, VARIANT* ErrorText, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        ZipRequest request{state_.sourceFileList,
                           state_.sourceWithinSite,
                           state_.zipFileName,
                           state_.virtualTargetRoot,
                           state_.compressionRate,
                           state_.recurseDirs != VARIANT_FALSE,
                           state_.encryptString,
                           state_.encryptStringRefused,
                           state_.deleteOriginalFiles != VARIANT_FALSE,
                           state_.tempDirectory,
                           module::folder(),
                           policy::busyWaitSeconds()};
        state_.zipfileDownloadHref.clear();
        AspPage target = page();
        ZipOutcome outcome = runZipOperation(request, target);
        if (outcome.mappedSource) state_.sourceFileList = *outcome.mappedSource;
        state_.zipfileDownloadHref = outcome.downloadHref;
        *result = outcome.succeeded ? VARIANT_TRUE : VARIANT_FALSE;
        if (outcome.reportStatus) reportStatus(outcome, ErrorNumber, ErrorText);
        record(outcome.failure);
        return S_OK;
    });
}

STDMETHODIMP Crateload2::deleteOldFiles(short* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        AspPage target = page();
        CountOutcome outcome = deleteOldDownloadDirectories(state_.virtualTargetRoot, state_.daysOldToDelete, target);
        *result = outcome.count;
        record(outcome.failure);
        return S_OK;
    });
}

STDMETHODIMP Crateload2::fileListing(VARIANT* FileSpecification, short* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        AspPage target = page();
        *result = 0;
        std::wstring pattern;
        try {
            pattern = optionalStringArg(FileSpecification);
        } catch (...) {
            // A pattern with no text form is the listing's general error.
            DWORD fault = currentExceptionCode();
            target.writeHtml(status::errorParagraph(status::FileListingGeneralError));
            record(faultFailure(L"fileListing", status::FileListingGeneralError, state_.fileListRoot, fault));
            return S_OK;
        }
        ListingRequest request{state_.fileListRoot, state_.listRootWithinSite, pattern, state_.beforeFileHTML,
                               state_.afterFileHTML};
        CountOutcome outcome = listFiles(request, target);
        *result = outcome.count;
        record(outcome.failure);
        return S_OK;
    });
}

void Crateload2::record(const std::optional<Failure>& failure) {
    if (failure) log::logFailure(*failure, page().scriptName());
}

void Crateload2::reportStatus(const ZipOutcome& outcome, VARIANT* errorNumber, VARIANT* errorText) {
    try {
        VARIANT number;
        V_VT(&number) = VT_I4;
        V_I4(&number) = outcome.errorNumber;
        if (outcome.errorNumber <= 32767) {
            V_VT(&number) = VT_I2;
            V_I2(&number) = static_cast<short>(outcome.errorNumber);
        }
        writeOutArg(errorNumber, number);
        UniqueVariant text;
        V_VT(text.get()) = VT_BSTR;
        V_BSTR(text.get()) = toBstr(outcome.errorText);
        writeOutArg(errorText, *text.get());
    } catch (...) {
        // An out-parameter of a type that cannot take the value keeps its old one.
    }
}

}  // namespace kb

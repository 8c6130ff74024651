#include "component/crateload2.h"

#include "common/errors.h"
#include "common/text.h"
#include "component/module.h"
#include "component/property_rules.h"
#include "component/variant_args.h"
#include "maintenance/delete_old_files.h"
#include "maintenance/file_listing.h"
#include "policy/policy_switches.h"
#include "zip/busy_flag.h"
#include "zip/do_zip.h"
#include "zip/temp_directory.h"

namespace kb {

namespace {

HRESULT copyOut(std::wstring_view value, BSTR* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        *result = toBstr(value);
        return S_OK;
    });
}

template <typename T>
HRESULT copyOut(T value, T* result) {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
}

}  // namespace

Crateload2::Crateload2() {
    module::objectCreated();
    // Every other member starts at its initial value (see ComponentState).
    state_.tempDirectory = kb::getTempFilePath();
}

Crateload2::~Crateload2() { module::objectDestroyed(); }

// IUnknown

STDMETHODIMP Crateload2::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__Crateload2) {
        *object = static_cast<_Crateload2*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Crateload2::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) Crateload2::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

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

STDMETHODIMP Crateload2::getTempFilePath(BSTR* result) { return copyOut(kb::getTempFilePath(), result); }

STDMETHODIMP Crateload2::put_hideResponse(VARIANT_BOOL vData) {
    state_.hideResponse = vData;
    return S_OK;
}
STDMETHODIMP Crateload2::get_hideResponse(VARIANT_BOOL* result) { return copyOut(state_.hideResponse, result); }

// Guarded properties: the administrator's switch is read at every set.

HRESULT Crateload2::setGuardedPath(policy::Switch s, BSTR value, std::wstring& member) {
    return guarded([&] {
        std::wstring copy = fromBstr(value);
        if (policy::refusesPath(policy::isSwitchOn(s), copy)) {
            page().writeHtml(policy::refusalParagraph(s));
            member.clear();
        } else {
            member = std::move(copy);
        }
        return S_OK;
    });
}

HRESULT Crateload2::setGuardedOption(policy::Switch s, VARIANT_BOOL value, VARIANT_BOOL& member) {
    return guarded([&] {
        if (policy::refusesOption(policy::isSwitchOn(s), value)) {
            page().writeHtml(policy::refusalParagraph(s));
            member = VARIANT_FALSE;
        } else {
            member = value;
        }
        return S_OK;
    });
}

HRESULT Crateload2::setString(BSTR value, std::wstring& member) {
    return guarded([&] {
        member = fromBstr(value);
        return S_OK;
    });
}

STDMETHODIMP Crateload2::put_sourceFileList(BSTR vData) {
    return setGuardedPath(policy::Switch::AllowVirtualSourceOnly, vData, state_.sourceFileList);
}
STDMETHODIMP Crateload2::get_sourceFileList(BSTR* result) { return copyOut(state_.sourceFileList, result); }

STDMETHODIMP Crateload2::put_zipFileName(BSTR vData) {
    return guarded([&] {
        state_.zipFileName = normaliseZipFileName(fromBstr(vData));
        return S_OK;
    });
}
STDMETHODIMP Crateload2::get_zipFileName(BSTR* result) { return copyOut(state_.zipFileName, result); }

STDMETHODIMP Crateload2::put_compressionRate(short vData) {
    if (acceptsCompressionRate(vData)) state_.compressionRate = vData;
    return S_OK;
}
STDMETHODIMP Crateload2::get_compressionRate(short* result) { return copyOut(state_.compressionRate, result); }

STDMETHODIMP Crateload2::put_encryptString(BSTR vData) {
    return guarded([&] {
        std::wstring_view value(vData ? vData : L"", vData ? ::SysStringLen(vData) : 0);
        state_.encryptStringRefused = !acceptsPassword(value);
        if (!state_.encryptStringRefused) state_.encryptString.assign(value);
        return S_OK;
    });
}
STDMETHODIMP Crateload2::get_encryptString(BSTR* result) { return copyOut(state_.encryptString.view(), result); }

STDMETHODIMP Crateload2::put_recurseDirs(VARIANT_BOOL vData) {
    return setGuardedOption(policy::Switch::DisableIncludeSubdirectoryFiles, vData, state_.recurseDirs);
}
STDMETHODIMP Crateload2::get_recurseDirs(VARIANT_BOOL* result) { return copyOut(state_.recurseDirs, result); }

STDMETHODIMP Crateload2::put_deleteOriginalFiles(VARIANT_BOOL vData) {
    return setGuardedOption(policy::Switch::DisableDeleteOriginalFiles, vData, state_.deleteOriginalFiles);
}
STDMETHODIMP Crateload2::get_deleteOriginalFiles(VARIANT_BOOL* result) {
    return copyOut(state_.deleteOriginalFiles, result);
}

STDMETHODIMP Crateload2::put_virtualTargetRoot(BSTR vData) { return setString(vData, state_.virtualTargetRoot); }
STDMETHODIMP Crateload2::get_virtualTargetRoot(BSTR* result) { return copyOut(state_.virtualTargetRoot, result); }

STDMETHODIMP Crateload2::put_daysOldToDelete(short vData) {
    if (acceptsDaysOld(vData)) state_.daysOldToDelete = vData;
    return S_OK;
}
STDMETHODIMP Crateload2::get_daysOldToDelete(short* result) { return copyOut(state_.daysOldToDelete, result); }

STDMETHODIMP Crateload2::put_fileListRoot(BSTR vData) {
    return setGuardedPath(policy::Switch::AllowVirtualFileListOnly, vData, state_.fileListRoot);
}
STDMETHODIMP Crateload2::get_fileListRoot(BSTR* result) { return copyOut(state_.fileListRoot, result); }

STDMETHODIMP Crateload2::put_beforeFileHTML(BSTR vData) { return setString(vData, state_.beforeFileHTML); }
STDMETHODIMP Crateload2::get_beforeFileHTML(BSTR* result) { return copyOut(state_.beforeFileHTML, result); }

STDMETHODIMP Crateload2::put_afterFileHTML(BSTR vData) { return setString(vData, state_.afterFileHTML); }
STDMETHODIMP Crateload2::get_afterFileHTML(BSTR* result) { return copyOut(state_.afterFileHTML, result); }

STDMETHODIMP Crateload2::get_zipfileDownloadHref(BSTR* result) { return copyOut(state_.zipfileDownloadHref, result); }

STDMETHODIMP Crateload2::get_zipIsBusy(VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    busy::BusyFlag flag(state_.tempDirectory);
    *result = flag.isRaised() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// Operations: each turns every fault into its own status, so none fails the call.

STDMETHODIMP Crateload2::doZip(VARIANT* ErrorNumber, VARIANT* ErrorText, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    AspPage target = page();
    ZipOutcome outcome = runZipOperation(state_, target);
    *result = outcome.succeeded ? VARIANT_TRUE : VARIANT_FALSE;
    if (outcome.reportStatus) {
        try {
            VARIANT number;
            V_VT(&number) = VT_I4;
            V_I4(&number) = outcome.errorNumber;
            if (outcome.errorNumber <= 32767) {
                V_VT(&number) = VT_I2;
                V_I2(&number) = static_cast<short>(outcome.errorNumber);
            }
            writeOutArg(ErrorNumber, number);
            UniqueVariant text;
            V_VT(text.get()) = VT_BSTR;
            V_BSTR(text.get()) = toBstr(outcome.errorText);
            writeOutArg(ErrorText, *text.get());
        } catch (...) {
            // An out-parameter of a type that cannot take the value keeps its old one.
        }
    }
    return S_OK;
}

STDMETHODIMP Crateload2::deleteOldFiles(short* result) {
    if (!result) return E_POINTER;
    AspPage target = page();
    *result = deleteOldDownloadDirectories(state_, target);
    return S_OK;
}

STDMETHODIMP Crateload2::fileListing(VARIANT* FileSpecification, short* result) {
    if (!result) return E_POINTER;
    AspPage target = page();
    *result = listFiles(state_, target, FileSpecification);
    return S_OK;
}

}  // namespace kb

#include "framework/memstream.h"

#include <cstring>

namespace {
class CReadOnlyStream : public IStream {
public:
    explicit CReadOnlyStream(const CMemFile& file) : m_file(file) {}
    virtual ~CReadOnlyStream() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = ::InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        ULONG left = m_file.Size() - m_pos;
        ULONG n = count < left ? count : left;
        memcpy(buffer, m_file.Data() + m_pos, n);
        m_pos += n;
        if (read) *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
        LONGLONG base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? m_pos : m_file.Size();
        LONGLONG pos = base + move.QuadPart;
        if (pos < 0 || pos > static_cast<LONGLONG>(m_file.Size())) return STG_E_INVALIDFUNCTION;
        m_pos = static_cast<ULONG>(pos);
        if (newPos) newPos->QuadPart = m_pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        memset(stat, 0, sizeof(*stat));
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_file.Size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    CMemFile m_file;
    ULONG m_pos = 0;
    volatile LONG m_refs = 1;
};
} // namespace

IStream* CreateReadOnlyStream(const CMemFile& file) { return new CReadOnlyStream(file); }

#pragma once
// A read-only view of bytes in memory (a resource, say) offered as a COM stream, which is what the
// system's picture loader reads.
#include <objidl.h>
#include <windows.h>

class CMemFile {
public:
    CMemFile(const void* data, DWORD size) : m_data(static_cast<const BYTE*>(data)), m_size(size) {}
    const BYTE* Data() const { return m_data; }
    DWORD Size() const { return m_size; }

private:
    const BYTE* m_data;
    DWORD m_size;
};

// A new stream over the file's bytes (one reference, the caller's). The bytes must outlive it.
IStream* CreateReadOnlyStream(const CMemFile& file);

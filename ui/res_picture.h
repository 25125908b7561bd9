#pragma once
// A GIF or JPEG among the program's resources, decoded and drawn by the system's OLE picture.
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include "framework/gdi.h"
#include "framework/memstream.h"

class CResPicture {
public:
    CResPicture() = default;
    ~CResPicture() { Free(); }
    CResPicture(const CResPicture&) = delete;
    CResPicture& operator=(const CResPicture&) = delete;

    // The "IMAGE" resource of that id; FALSE when it is missing or empty.
    BOOL Load(UINT nID);
    // From bytes positioned at the picture's first byte; TRUE whatever the decoder said (an
    // undecodable picture just draws nothing).
    BOOL Load(const CMemFile& file);
    // Stretched into rect; a rect of all zeros takes the picture's own size.
    BOOL Render(CDC* pDC, RECT rect);
    // In device units of dc, or of the screen with none; (0, 0) when empty.
    SIZE GetImageSize(CDC* pDC = nullptr) const;
    void Free();

    IPicture* m_pPicture = nullptr;
    HRESULT m_hr = S_OK;
};

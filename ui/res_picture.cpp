#include "ui/res_picture.h"

#include "framework/app.h"

BOOL CResPicture::Load(UINT nID) {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(nID), L"IMAGE");
    if (!res) return FALSE;
    DWORD size = ::SizeofResource(module, res);
    HGLOBAL handle = ::LoadResource(module, res);
    const void* data = handle ? ::LockResource(handle) : nullptr;
    if (!data || size == 0) return FALSE;
    return Load(CMemFile(data, size));
}

BOOL CResPicture::Load(const CMemFile& file) {
    IStream* stream = CreateReadOnlyStream(file);
    Free();
    ::OleLoadPicture(stream, 0, FALSE, IID_IPicture, reinterpret_cast<void**>(&m_pPicture));
    stream->Release();
    return TRUE;
}

void CResPicture::Free() {
    if (m_pPicture) {
        m_pPicture->Release();
        m_pPicture = nullptr;
    }
}

BOOL CResPicture::Render(CDC* pDC, RECT rect) {
    if (!m_pPicture) return TRUE;
    if (rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0) {
        SIZE size = GetImageSize(pDC);
        rect.right = size.cx;
        rect.bottom = size.cy;
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_hr = m_pPicture->get_Width(&width);
    m_hr = m_pPicture->get_Height(&height);
    // HIMETRIC's y axis runs upwards: start at the picture's height with a negative extent.
    m_pPicture->Render(pDC->GetSafeHdc(), rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, 0, height, width, -height, nullptr);
    return TRUE;
}

SIZE CResPicture::GetImageSize(CDC* pDC) const {
    SIZE size{0, 0};
    if (!m_pPicture) return size;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_pPicture->get_Width(&width);
    m_pPicture->get_Height(&height);
    size.cx = width;
    size.cy = height;
    if (pDC) {
        pDC->HIMETRICtoDP(&size);
    } else {
        CClientDC screen(nullptr);
        screen.HIMETRICtoDP(&size);
    }
    return size;
}

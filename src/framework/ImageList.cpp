#include "framework/ImageList.h"

#include <algorithm>

#include "core/Exception.h"
#include "platform/CommonControls.h"

namespace cs {

ChangeLink::~ChangeLink() {
    if (m_sender) m_sender->UnRegisterChanges(*this);
}

ImageList::ImageList(Component* owner, int width, int height)
    : Component(owner), m_width(width), m_height(height) {
    // 24-bit colour with a mask: the pictures are 16-colour bitmaps with a transparent colour,
    // and a 32-bit list would read their unused alpha bytes as "fully transparent".
    m_handle = CommonControl<decltype(::ImageList_Create)>("ImageList_Create")(width, height, ILC_COLOR24 | ILC_MASK, 4, 4);
    if (!m_handle) throw Exception("Cannot create image list");
}

ImageList::~ImageList() {
    for (ChangeLink* link : m_links) link->m_sender = nullptr;
    m_links.clear();
    CommonControl<decltype(::ImageList_Destroy)>("ImageList_Destroy")(m_handle);
}

int ImageList::Count() const noexcept {
    return CommonControl<decltype(::ImageList_GetImageCount)>("ImageList_GetImageCount")(m_handle);
}

int ImageList::Add(const Bitmap& picture) {
    if (picture.Transparent()) return AddMasked(picture, picture.TransparentColor());
    if (picture.Empty()) throw Exception("Invalid image");
    const int index = CommonControl<decltype(::ImageList_Add)>("ImageList_Add")(m_handle, picture.Handle(), nullptr);
    if (index < 0) throw Exception("Failed to read ImageList data from stream");
    Changed();
    return index;
}

int ImageList::AddMasked(const Bitmap& picture, COLORREF transparent) {
    if (picture.Empty()) throw Exception("Invalid image");
    // The system turns the masked pixels of the bitmap it is given black: hand it a copy.
    const unique_hbitmap copy(
        static_cast<HBITMAP>(::CopyImage(picture.Handle(), IMAGE_BITMAP, 0, 0, 0)));
    if (!copy) throw Exception("Invalid image");
    const int index = CommonControl<decltype(::ImageList_AddMasked)>("ImageList_AddMasked")(m_handle, copy.get(), transparent);
    if (index < 0) throw Exception("Failed to read ImageList data from stream");
    Changed();
    return index;
}

int ImageList::AddIcon(const Icon& icon) {
    if (icon.Empty()) throw Exception("Invalid image");
    const int index = CommonControl<decltype(::ImageList_ReplaceIcon)>("ImageList_ReplaceIcon")(m_handle, -1, icon.Handle());
    if (index < 0) throw Exception("Failed to read ImageList data from stream");
    Changed();
    return index;
}

void ImageList::Delete(int index) {
    if (index < 0 || index >= Count()) throw Exception("List index out of bounds");
    CommonControl<decltype(::ImageList_Remove)>("ImageList_Remove")(m_handle, index);
    Changed();
}

void ImageList::Clear() {
    CommonControl<decltype(::ImageList_Remove)>("ImageList_Remove")(m_handle, -1);
    Changed();
}

void ImageList::GetIcon(int index, Icon& icon) const {
    if (index < 0 || index >= Count()) {
        icon.Clear();
        return;
    }
    icon.Adopt(CommonControl<decltype(::ImageList_GetIcon)>("ImageList_GetIcon")(m_handle, index, ILD_NORMAL));
}

void ImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) return;
    CommonControl<decltype(::ImageList_Draw)>("ImageList_Draw")(m_handle, index, dc, x, y, ILD_TRANSPARENT | (enabled ? 0 : ILD_BLEND50));
}

void ImageList::RegisterChanges(ChangeLink& link) {
    if (link.m_sender == this) return;
    if (link.m_sender) link.m_sender->UnRegisterChanges(link);
    link.m_sender = this;
    m_links.push_back(&link);
}

void ImageList::UnRegisterChanges(ChangeLink& link) noexcept {
    if (link.m_sender != this) return;
    std::erase(m_links, &link);
    link.m_sender = nullptr;
}

void ImageList::Changed() {
    // A listener may leave the list, or go, while it is told: ask the list each time.
    const std::vector<ChangeLink*> links = m_links;
    for (ChangeLink* link : links)
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end() && link->OnChange)
            link->OnChange();
}

}  // namespace cs

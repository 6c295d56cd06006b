#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <vector>

#include "framework/Component.h"
#include "framework/Graphics.h"

namespace cs {

class ImageList;

// Tells its holder when the images of the list it is registered with change. A link leaves its
// list when it goes; a list that goes first leaves its links with no sender.
class ChangeLink {
public:
    ChangeLink() = default;
    ~ChangeLink();
    ChangeLink(const ChangeLink&) = delete;
    ChangeLink& operator=(const ChangeLink&) = delete;

    // The list this link is registered with, or nullptr.
    ImageList* Sender() const noexcept { return m_sender; }
    std::function<void()> OnChange;

private:
    friend class ImageList;
    ImageList* m_sender = nullptr;
};

// Images of one size, kept by the system's image list (colour and mask), numbered from 0 in the
// order they were added.
class ImageList : public Component {
public:
    explicit ImageList(Component* owner, int width = 16, int height = 16);
    ~ImageList() override;

    HIMAGELIST Handle() const noexcept { return m_handle; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    int Count() const noexcept;

    // Adds the picture cut into images of Width pixels, from the left; returns the index of the
    // first. A transparent bitmap leaves out the pixels of its bottom-left pixel's colour.
    int Add(const Bitmap& picture);
    // The same, leaving out the pixels of the given colour.
    int AddMasked(const Bitmap& picture, COLORREF transparent);
    // Adds the icon, scaled to the list's size when it has another; returns its index.
    int AddIcon(const Icon& icon);
    void Delete(int index);
    void Clear();

    // Copies image index into icon; an index outside the list leaves icon empty.
    void GetIcon(int index, Icon& icon) const;
    // Draws image index with its top-left corner at (x, y), through its mask; enabled false
    // draws it blended with the highlight colour, the system's look of a disabled picture.
    void Draw(HDC dc, int x, int y, int index, bool enabled = true) const;

    void RegisterChanges(ChangeLink& link);
    void UnRegisterChanges(ChangeLink& link) noexcept;

private:
    void Changed();

    HIMAGELIST m_handle = nullptr;
    int m_width;
    int m_height;
    std::vector<ChangeLink*> m_links;
};

}  // namespace cs

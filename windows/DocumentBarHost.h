// What a document window's bars ask of the window they belong to. The
// document window implements it; the bars never reach the window list or the
// loading code themselves.
#pragma once
#include <string>

class DocumentBarHost {
public:
    virtual ~DocumentBarHost() = default;

    // 0 no bar, 1 group list, 2 article list, 3 article, 4 no news bar.
    virtual int BarMode() const = 0;
    virtual int Scale() const = 0;
    virtual void SetScale(int scale) = 0;
    // Images are off (none shown) or restricted (shown once asked for).
    virtual bool ImagesOff() const = 0;
    virtual bool ImagesRestricted() const = 0;
    // The text of a progress field of the bottom bar (by control id).
    virtual std::string FieldText(int controlId) const = 0;

    virtual void StopLoading() = 0;
    virtual void CycleImageMode() = 0;
    virtual void ToggleDocumentMode() = 0;
    // Enter in the address field with a typed text; a history entry chosen
    // from its list (1 the oldest).
    virtual void OpenTypedAddress(const std::string& text) = 0;
    virtual void ShowHistoryEntry(int index) = 0;
    // A button, the sorting list or the filter field of the news bar.
    virtual void NewsBarCommand(int controlId, int notification) = 0;
    // A bar changed its height: the window places its bars and view again.
    virtual void LayoutBars() = 0;
};

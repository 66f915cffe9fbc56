// Radio buttons and the radio group that holds them: at most one item of a group is
// checked. A left click on an unchecked item checks it and unchecks the others; scripts
// check any item or none through the group.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "interface/YButton.h"
#include "interface/YInterfaceElement.h"
#include "interface/YWindow.h"

class CYRadioGroup;

class CYRadioButton : public CYWindow {
public:
    enum Image : int32_t { kOff = 0, kOn = 1, kLitOff = 2, kLitOn = 3 };

    // The window's twelve arguments, then the on, lit-on and lit-off textures, the on mask,
    // and the texel origins of the on, lit-off and lit-on images. Its window type is 1.
    CYRadioButton(const std::string& name, const std::string& textureName, const std::string& effectName,
                  const std::string& maskName, int32_t width, int32_t height, int32_t texWidth, int32_t texHeight,
                  int32_t texU, int32_t texV, float x, float y, const std::string& onTexture,
                  const std::string& onLitTexture, const std::string& offLitTexture, const std::string& onMaskName,
                  int32_t onU, int32_t onV, int32_t offLitU, int32_t offLitV, int32_t onLitU, int32_t onLitV);

    // Moves the button and its children (in floats) and rebuilds the quad for the shown image.
    void SetPosition(float x, float y) override;
    // The window's load (the off mask), the on mask, the image, then the click sound.
    HRESULT Load() override;
    // The on mask dropped, then the window's.
    void DestroyChildren() override;
    // The lit image of the state, when there is one.
    void OnHoverHook(int32_t x, int32_t y) override;
    // The plain image of the state, when there is one.
    void OnLeaveHook(int32_t x, int32_t y) override;
    // Left button on an unchecked item: its group checks it (outside a group it checks
    // itself), and it clicks. A checked item does nothing.
    void OnButtonUpHook(int32_t button) override;

    // The state, its image (lit when the pointer is over the button, as the mask in force
    // until then tells) and its mask.
    void SetChecked(bool checked);
    // Called by the group that takes the button as its item number index.
    void SetGroup(CYRadioGroup* group, int32_t index);

    bool IsChecked() const { return checked_; }
    int32_t GetImage() const { return image_; }
    int32_t GetIndex() const { return index_; }
    // The group, or null outside one (or when the group is gone).
    CYRadioGroup* GetGroup() const;
    const std::string& GetOnMaskName() const { return onMaskName_; }
    const CYClickSound& ClickSound() const { return clickSound_; }

    static CYRadioButton* FromReference(const void* reference) { return ResolveReference<CYRadioButton>(reference); }

private:
    void ApplyImage();
    // The window's mask, which hit tests read, becomes the one of the state: the on mask
    // when checked, the off mask otherwise. Without a mask name the whole rectangle hits.
    void UseMaskOf(bool checked);

    bool checked_ = false;
    std::string onTexture_;
    std::string onLitTexture_;
    std::string offLitTexture_;
    void* group_ = nullptr;  // the group's reference
    int32_t index_ = -1;
    std::vector<uint8_t> onMaskData_;
    std::vector<uint8_t> offMaskData_;
    std::string onMaskName_;
    int32_t onU_, onV_, onLitU_, onLitV_, offLitU_, offLitV_;
    int32_t image_ = kOff;
    CYClickSound clickSound_;
};

class CYRadioGroup : public CYWindow {
public:
    // A group has no image of its own: it is never drawn, its children are.
    CYRadioGroup(const std::string& name, int32_t width, int32_t height);

    // A radio button child becomes the next item (numbered from 0 in order of addition);
    // every child is then added as the window adds it.
    bool AddChild(CYWindow* child) override;

    // Checks item i and unchecks the others, with event 38 and "radiogroup_checked"; the
    // item already checked does nothing. An index out of range unchecks all, silently.
    void Check(int32_t index);

    int32_t GetCheckedIndex() const { return checkedIndex_; }
    int32_t GetCount() const { return count_; }
    // Item i, or null when out of range or gone.
    CYRadioButton* GetItem(int32_t index) const;

    static CYRadioGroup* FromReference(const void* reference) { return ResolveReference<CYRadioGroup>(reference); }

private:
    std::vector<void*> items_;  // the items' references; the items are also children
    int32_t count_ = 0;
    int32_t checkedIndex_ = -1;
};

// Builders of the description files' "radiobutton" and "radiogroup" elements: a loaded
// widget owned by the caller, or null when it does not load. A group starts with no item
// checked.
CYWindow* BuildRadioButton(const YInterfaceElement& e);
CYWindow* BuildRadioGroup(const YInterfaceElement& e);

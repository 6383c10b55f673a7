// A dialog template built in memory, for a dialog box with no resource: the DLGTEMPLATE header and
// its items, each on a DWORD boundary. Texts are set when the dialog opens.
#pragma once

#include <windows.h>

#include <vector>

// The predefined classes' atoms, as a template names them.
inline constexpr WORD kDialogButtonClass = 0x0080;
inline constexpr WORD kDialogEditClass = 0x0081;
inline constexpr WORD kDialogStaticClass = 0x0082;

class DialogTemplate {
public:
    // DS_SETFONT is added: the font's face and its size in points follow the header.
    DialogTemplate(DWORD style, short width, short height, WORD items, const wchar_t* fontFace) {
        AddDword(style | DS_SETFONT);
        AddDword(0);
        words_.push_back(items);
        AddShorts(0, 0, width, height);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        words_.push_back(0);  // no title
        words_.push_back(9);
        for (; *fontFace; ++fontFace) words_.push_back(static_cast<WORD>(*fontFace));
        words_.push_back(0);
    }

    // A control of a predefined class, given by its atom.
    void AddItem(DWORD style, short x, short y, short width, short height, WORD id, WORD atom) {
        if (words_.size() % 2) words_.push_back(0);
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        AddShorts(x, y, width, height);
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        words_.push_back(0);  // no text
        words_.push_back(0);  // no creation data
    }

    // The vector's storage comes from operator new, aligned for any object: the header starts on a
    // DWORD boundary as the template must.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddDword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void AddShorts(short x, short y, short width, short height) {
        for (short value : {x, y, width, height}) words_.push_back(static_cast<WORD>(value));
    }
    std::vector<WORD> words_;
};

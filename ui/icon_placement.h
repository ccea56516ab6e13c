// Where the main dialog draws its icon while it is minimised.
#pragma once

// The offset, along one axis, at which an icon of iconExtent pixels sits
// centred in a client area of clientExtent pixels: (client - icon + 1) / 2 in
// signed arithmetic, truncating toward zero. An area one pixel narrower than
// the icon thus still puts the icon at 0, and a narrower one at a negative
// offset.
inline int CentredIconOffset(int clientExtent, int iconExtent)
{
    return (clientExtent - iconExtent + 1) / 2;
}

#pragma once
// The pictures of the picture buttons, drawn in code. Each picture is known by
// the number the window's buttons use for it (143 "I" on red, 152 red traffic
// light, ...).

#include <QPixmap>
#include <QSize>

namespace corvala {

// The picture with the given number at the given size; an empty pixmap for an
// unknown number.
QPixmap DrawPicture(int pictureId, QSize size);

// Picture numbers the window switches between.
inline constexpr int kPictureChamberSelected[3] = {143, 145, 144};
inline constexpr int kPictureChamberUnselected[3] = {146, 147, 148};
inline constexpr int kPictureChamberShown[3] = {157, 159, 161};
inline constexpr int kPictureChamberHidden[3] = {158, 160, 162};
inline constexpr int kPictureLinkAlive = 150;
inline constexpr int kPictureLinkLost = 151;
inline constexpr int kPictureSetPointFar = 152;      // red light
inline constexpr int kPictureSetPointNear = 153;     // yellow light
inline constexpr int kPictureSetPointReached = 154;  // green light

}  // namespace corvala

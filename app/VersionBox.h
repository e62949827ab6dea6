#pragma once
// The version box "KORVAN3 ( コルバン3 ) のバージョン情報".
class QWidget;

namespace korvan {

void ShowVersionBox(QWidget* parent);

}  // namespace korvan

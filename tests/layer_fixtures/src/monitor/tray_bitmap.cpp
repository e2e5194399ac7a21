// A pure file that reaches for a widget.
#include <QWidget>

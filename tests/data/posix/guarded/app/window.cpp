#include <QWidget>

#include <string>

// Keyboard input (filled in with the driving work).
#include "app/kadmer.h"

#include <QKeyEvent>

void Kadmer::keyPressEvent(QKeyEvent* event) { QGLWidget::keyPressEvent(event); }

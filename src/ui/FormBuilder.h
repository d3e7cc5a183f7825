#pragma once

#include <QObject>
#include <stdexcept>
#include <string>

#include "ui/FormLayout.h"

class QMainWindow;

namespace bildheber {

// Builds `form` into `window`: its name and caption, the menu bar, the client area with every
// control, the keyboard order and the size. Every control and menu entry with a name in the
// table is a descendant of `window` of that object name.
void buildForm(QMainWindow& window, const FormLayout& form);

// The part of the built form named `name`: the table and the code that wires it must agree.
template <typename Part>
Part* formPart(const QObject& window, const char* name) {
    Part* part = window.findChild<Part*>(name);
    if (part == nullptr) {
        throw std::logic_error(std::string("The form has no ") + name + ".");
    }
    return part;
}

}  // namespace bildheber

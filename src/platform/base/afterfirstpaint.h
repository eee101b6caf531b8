#pragma once

#include <QObject>

#include <functional>

// Runs work once, a step of the event loop after the window's first paint: start-up work the
// first picture need not wait for. Nothing runs if the window goes first.
void AfterFirstPaint(QObject *window, std::function<void()> work);

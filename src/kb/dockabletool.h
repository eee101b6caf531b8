#pragma once

// A tool window that lends its toolbar (and for some a tree or frame) to the main
// window while it is in use, and takes them back when it is deactivated or asked to.
class DockableTool
{
public:
    virtual ~DockableTool() = default;

    // The tool's docking call made after the tool toolbar shows it.
    virtual void SetPar() = 0;
    virtual void SetParBack() = 0;
};

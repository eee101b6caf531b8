#pragma once

// Fixed identifiers of the two control libraries. The program and the libraries
// include the same header, so a saved form and its library always agree.
namespace ControlIds {

namespace Label3D {
constexpr const char ProgId[] = "BrennD.Label3D";
constexpr const char ClassId[] = "{6B1E3A40-5C2D-4F0B-9A71-3D2C8E1F4A01}";
constexpr const char DispatchId[] = "{6B1E3A41-5C2D-4F0B-9A71-3D2C8E1F4A01}";
constexpr const char EventsId[] = "{6B1E3A42-5C2D-4F0B-9A71-3D2C8E1F4A01}";
constexpr const char TypeLibId[] = "{6B1E3A43-5C2D-4F0B-9A71-3D2C8E1F4A01}";
constexpr const char Library[] = "BrennD";
constexpr const char TypeLibVersion[] = "1.0";
constexpr const char FileVersion[] = "1.00";
} // namespace Label3D

namespace Panel {
constexpr const char ProgId[] = "BrennPanel.Panel";
constexpr const char ClassId[] = "{2F7C9D10-8E4B-4A63-B5D2-7A1E6C3F9B02}";
constexpr const char DispatchId[] = "{2F7C9D11-8E4B-4A63-B5D2-7A1E6C3F9B02}";
constexpr const char EventsId[] = "{2F7C9D12-8E4B-4A63-B5D2-7A1E6C3F9B02}";
constexpr const char TypeLibId[] = "{2F7C9D13-8E4B-4A63-B5D2-7A1E6C3F9B02}";
constexpr const char Library[] = "BrennPanel";
constexpr const char TypeLibVersion[] = "2.0";
constexpr const char FileVersion[] = "1.00.0001";
} // namespace Panel

} // namespace ControlIds

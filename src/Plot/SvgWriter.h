// The one SVG writer behind every plot: elements with their attributes, escaped text and
// numbers formatted by NumberText. The picture is self-contained (a style sheet of generic
// fonts, no scripts, no references), so it opens alone in a browser or a document.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "FileHandler/Syntax/OutputStream.h"

// A point in picture coordinates (pixels, y downwards).
struct TPoint {
    double x = 0.0;
    double y = 0.0;
};

// A coordinate as the pictures write it: at most two decimals, no trailing zeros.
std::string CoordinateText(double value);
// A value for a reader (tick labels, legends): six significant digits.
std::string ValueText(double value);
// A value that reads back as the same double (for the data attributes of checks).
std::string ExactText(double value);
// Text made safe inside an element or a quoted attribute.
std::string EscapedText(std::string_view text);

// The path data of outlines and cell grids ("M1 2h3v4z"), built up as text.
class TPathData {
  public:
    TPathData& MoveTo(double x, double y);
    TPathData& LineTo(double x, double y);
    // A rectangle as one closed subpath.
    TPathData& Box(double x, double y, double width, double height);
    bool Empty() const { return text.empty(); }
    const std::string& Text() const { return text; }

  private:
    std::string text;

    TPathData& Command(char command, double x, double y);
};

class TSvgWriter {
  public:
    // Starts the picture: its size, the title a viewer shows, and the shared style sheet.
    TSvgWriter(FileTools::OutputStream& out, double width, double height, std::string_view title);
    TSvgWriter(const TSvgWriter&) = delete;
    TSvgWriter& operator=(const TSvgWriter&) = delete;

    // An element: Open, its attributes, then Close (empty element) or Content and End.
    TSvgWriter& Open(std::string_view element);
    TSvgWriter& Attribute(std::string_view name, double value);
    TSvgWriter& Attribute(std::string_view name, std::string_view text);
    TSvgWriter& Attribute(std::string_view name, const char* text) {
        return Attribute(name, std::string_view(text));
    }
    void Close();
    TSvgWriter& Content();
    void End(std::string_view element);

    // A group of elements that share a class (a panel, a matrix); EndGroup closes it.
    void Group(std::string_view cssClass);
    void Group(std::string_view cssClass, std::string_view transform);
    void EndGroup();

    void Line(TPoint from, TPoint to, std::string_view cssClass);
    void Rect(double x, double y, double width, double height, std::string_view cssClass);
    void FilledRect(double x, double y, double width, double height, std::string_view fill);
    void Circle(TPoint centre, double radius, std::string_view cssClass, std::string_view colour);
    void Polyline(std::span<const TPoint> points, std::string_view cssClass,
                  std::string_view colour);
    void Path(const TPathData& data, std::string_view cssClass, std::string_view colour);
    // Text anchored at `at`: "start", "middle" or "end"; rotated by -90 degrees when upright.
    void Text(TPoint at, std::string_view text, std::string_view cssClass,
              std::string_view anchor = "start", bool upright = false);

    // Closes the picture; the stream is the caller's to commit.
    void Finish();

  private:
    FileTools::OutputStream& out;
};

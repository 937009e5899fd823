#include "Plot/SvgWriter.h"

#include <array>
#include <cmath>

#include "KQmessage/NumberText.h"

namespace {

// Readable in print and on screen, and with generic font families only.
constexpr const char* kStyle =
    "text{font-family:sans-serif;font-size:11px;fill:#222}"
    ".title{font-size:15px;font-weight:bold}.heading{font-size:12px;font-weight:bold}"
    ".small{font-size:9px}.axis{stroke:#222;stroke-width:1;fill:none}"
    ".grid{stroke:#ddd;stroke-width:0.5}.area{fill:#fff;stroke:#888;stroke-width:0.5}"
    ".curve{fill:none;stroke-width:1.8}.stem{stroke-width:2}"
    ".centre{stroke:#fff;stroke-width:0.8}.hist{fill:#e3e3e3}"
    ".contour{fill:none;stroke:#111;stroke-width:0.8;stroke-opacity:0.7}"
    ".frozen{fill:#fff;stroke:#000;stroke-width:0.12}"
    ".cells{shape-rendering:crispEdges}"
    ".best{fill:none;stroke:#c00;stroke-width:1.2;stroke-dasharray:4 3}";

}  // namespace

std::string CoordinateText(double value) {
    std::array<char, NumberText::FixedTextSize(2)> buffer{};
    std::string text(NumberText::FormatFixed(buffer, value, 2));
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

std::string ValueText(double value) {
    std::array<char, NumberText::kGeneralTextSize> buffer{};
    // Tick values such as 3 * 0.1 are meant as 0.3, not as -5.5e-17 for a zero.
    const std::string text(NumberText::FormatGeneral(buffer, value, 6));
    return text == "-0" ? "0" : text;
}

std::string ExactText(double value) {
    std::array<char, NumberText::kGeneralTextSize> buffer{};
    return std::string(NumberText::FormatGeneral(buffer, value, 17));
}

std::string EscapedText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                // Control characters other than tab and line ends are not XML at all.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    escaped += '?';
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

TPathData& TPathData::MoveTo(double x, double y) {
    return Command('M', x, y);
}

TPathData& TPathData::LineTo(double x, double y) {
    return Command('L', x, y);
}

TPathData& TPathData::Command(char command, double x, double y) {
    text += command;
    text += CoordinateText(x);
    text += ' ';
    text += CoordinateText(y);
    return *this;
}

TPathData& TPathData::Box(double x, double y, double width, double height) {
    MoveTo(x, y);
    text += 'h';
    text += CoordinateText(width);
    text += 'v';
    text += CoordinateText(height);
    text += 'h';
    text += CoordinateText(-width);
    text += 'z';
    return *this;
}

TSvgWriter::TSvgWriter(FileTools::OutputStream& stream, double width, double height,
                       std::string_view title)
    : out(stream) {
    out.Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    Open("svg")
        .Attribute("xmlns", "http://www.w3.org/2000/svg")
        .Attribute("width", width)
        .Attribute("height", height)
        .Attribute("viewBox", "0 0 " + CoordinateText(width) + " " + CoordinateText(height))
        .Content();
    Open("title").Content();
    out.Write(EscapedText(title));
    End("title");
    Open("style").Content();
    out.Write(kStyle);
    End("style");
    FilledRect(0, 0, width, height, "#fff");
}

TSvgWriter& TSvgWriter::Open(std::string_view element) {
    out.Put('<');
    out.Write(element);
    return *this;
}

TSvgWriter& TSvgWriter::Attribute(std::string_view name, double value) {
    return Attribute(name, CoordinateText(value));
}

TSvgWriter& TSvgWriter::Attribute(std::string_view name, std::string_view text) {
    out.Put(' ');
    out.Write(name);
    out.Write("=\"");
    out.Write(EscapedText(text));
    out.Put('"');
    return *this;
}

void TSvgWriter::Close() {
    out.Write("/>\n");
}

TSvgWriter& TSvgWriter::Content() {
    out.Put('>');
    return *this;
}

void TSvgWriter::End(std::string_view element) {
    out.Write("</");
    out.Write(element);
    out.Write(">\n");
}

void TSvgWriter::Group(std::string_view cssClass) {
    Open("g").Attribute("class", cssClass).Content();
    out.Put('\n');
}

void TSvgWriter::Group(std::string_view cssClass, std::string_view transform) {
    Open("g").Attribute("class", cssClass).Attribute("transform", transform).Content();
    out.Put('\n');
}

void TSvgWriter::EndGroup() {
    End("g");
}

void TSvgWriter::Line(TPoint from, TPoint to, std::string_view cssClass) {
    Open("line")
        .Attribute("x1", from.x)
        .Attribute("y1", from.y)
        .Attribute("x2", to.x)
        .Attribute("y2", to.y)
        .Attribute("class", cssClass)
        .Close();
}

void TSvgWriter::Rect(double x, double y, double width, double height, std::string_view cssClass) {
    Open("rect")
        .Attribute("x", x)
        .Attribute("y", y)
        .Attribute("width", width)
        .Attribute("height", height)
        .Attribute("class", cssClass)
        .Close();
}

void TSvgWriter::FilledRect(double x, double y, double width, double height,
                            std::string_view fill) {
    Open("rect")
        .Attribute("x", x)
        .Attribute("y", y)
        .Attribute("width", width)
        .Attribute("height", height)
        .Attribute("fill", fill)
        .Close();
}

void TSvgWriter::Circle(TPoint centre, double radius, std::string_view cssClass,
                        std::string_view colour) {
    Open("circle")
        .Attribute("cx", centre.x)
        .Attribute("cy", centre.y)
        .Attribute("r", radius)
        .Attribute("class", cssClass)
        .Attribute("fill", colour)
        .Close();
}

void TSvgWriter::Polyline(std::span<const TPoint> points, std::string_view cssClass,
                          std::string_view colour) {
    Open("polyline").Attribute("class", cssClass).Attribute("stroke", colour);
    out.Write(" points=\"");
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (k > 0) {
            out.Put(' ');
        }
        out.Write(CoordinateText(points[k].x));
        out.Put(',');
        out.Write(CoordinateText(points[k].y));
    }
    out.Put('"');
    Close();
}

void TSvgWriter::Path(const TPathData& data, std::string_view cssClass, std::string_view colour) {
    Open("path").Attribute("class", cssClass);
    if (!colour.empty()) {
        Attribute("fill", colour);
    }
    Attribute("d", data.Text()).Close();
}

void TSvgWriter::Text(TPoint at, std::string_view text, std::string_view cssClass,
                      std::string_view anchor, bool upright) {
    Open("text").Attribute("x", at.x).Attribute("y", at.y);
    if (!cssClass.empty()) {
        Attribute("class", cssClass);
    }
    if (anchor != "start") {
        Attribute("text-anchor", anchor);
    }
    if (upright) {
        Attribute("transform",
                  "rotate(-90 " + CoordinateText(at.x) + " " + CoordinateText(at.y) + ")");
    }
    Content();
    out.Write(EscapedText(text));
    End("text");
}

void TSvgWriter::Finish() {
    End("svg");
}

#include "sondetrack/track_documents.h"

#include "sondetrack/xml_text.h"

namespace sondetrack {

namespace {

constexpr const char* kXmlDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

void append_coordinates(std::string& out, const Fix& f) {
    append_number(out, f.lon);
    out += ',';
    append_number(out, f.lat);
    out += ',';
    append_number(out, f.alt);
}

void append_element(std::string& out, const char* tag, std::string_view text) {
    out += '<';
    out += tag;
    out += '>';
    append_xml_text(out, text);
    out += "</";
    out += tag;
    out += '>';
}

void append_point_placemark(std::string& out, const std::string& name, const char* what, const Fix& f) {
    out += "      <Placemark>";
    append_element(out, "name", name + " " + what);
    std::string description = "altitude ";
    append_number(description, f.alt);
    description += " m";
    if (!f.time.empty()) description += ", " + f.time;
    append_element(out, "description", description);
    if (!f.time.empty()) {
        out += "<TimeStamp>";
        append_element(out, "when", f.time);
        out += "</TimeStamp>";
    }
    out += "<Point><altitudeMode>absolute</altitudeMode><coordinates>";
    append_coordinates(out, f);
    out += "</coordinates></Point></Placemark>\n";
}

}  // namespace

std::size_t highest_point(const Track& t) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < t.points.size(); i++)
        if (t.points[i].alt > t.points[best].alt) best = i;
    return best;
}

Summit summit(const Track& t) {
    Summit s;
    if (t.points.empty()) return s;
    s.index = highest_point(t);
    const double top = t.points[s.index].alt;
    if (!(top > t.points.front().alt)) return s;
    s.kind = SummitKind::highest;
    for (std::size_t i = s.index + 1; i < t.points.size(); i++) {
        if (t.points[i].alt <= top - kBurstFall_m) {
            s.kind = SummitKind::burst;
            break;
        }
    }
    return s;
}

std::string gpx_document(const TrackSet& set, const std::string& creator) {
    std::string out = kXmlDecl;
    out += "<gpx version=\"1.1\" creator=\"";
    append_xml_text(out, creator);
    out += "\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (const Track& t : set.tracks) {
        out += "  <trk>";
        append_element(out, "name", t.name);
        out += "\n    <trkseg>\n";
        for (const Fix& f : t.points) {
            out += "      <trkpt lat=\"";
            append_number(out, f.lat);
            out += "\" lon=\"";
            append_number(out, f.lon);
            out += "\"><ele>";
            append_number(out, f.alt);
            out += "</ele>";
            if (!f.time.empty()) append_element(out, "time", f.time);
            out += "</trkpt>\n";
        }
        out += "    </trkseg>\n  </trk>\n";
    }
    out += "</gpx>\n";
    return out;
}

std::string kml_document(const TrackSet& set) {
    std::string out = kXmlDecl;
    out +=
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
        "  <Document>\n"
        "    <name>sondetrack</name>\n"
        "    <Style id=\"flight\"><LineStyle><color>ff0000ff</color><width>3</width></LineStyle>"
        "<PolyStyle><color>400000ff</color></PolyStyle></Style>\n";
    for (const Track& t : set.tracks) {
        if (t.points.empty()) continue;
        out += "    <Folder>";
        append_element(out, "name", t.name);
        out += "\n      <Placemark>";
        append_element(out, "name", t.name + " flight");
        out +=
            "<styleUrl>#flight</styleUrl><LineString><extrude>1</extrude>"
            "<altitudeMode>absolute</altitudeMode>\n        <coordinates>";
        for (std::size_t i = 0; i < t.points.size(); i++) {
            if (i > 0) out += ' ';
            append_coordinates(out, t.points[i]);
        }
        out += "</coordinates></LineString></Placemark>\n";
        const Summit top = summit(t);
        append_point_placemark(out, t.name, "first fix", t.points.front());
        if (top.kind != SummitKind::none)
            append_point_placemark(out, t.name, top.kind == SummitKind::burst ? "burst" : "highest",
                                   t.points[top.index]);
        append_point_placemark(out, t.name, "last fix", t.points.back());
        out += "    </Folder>\n";
    }
    out += "  </Document>\n</kml>\n";
    return out;
}

}  // namespace sondetrack

"""A project file made from its documented layout alone, from the values a
test set through the program: what the program must have written."""
import struct

SIZE = 7820
MAGIC = b"Wuvo-1.0.0"
DATE_STAMP, TIME_STAMP = 1304, 1692
DATE_SLOTS, TIME_SLOT, OUTPUT_FOLDER = 6564, 7364, 7564
# The custom slots as the program starts; "\n" is a backslash and an n.
DATE_SLOT_DEFAULTS = ("%Y-%m-%d\\n%#I:%M:%S%p", "%#x\\n%#I:%M:%S%p", "%b-%#d-%Y\\n%#I:%M:%S%p",
                      "%#x\\n%#I:%M:%S%p")
TIME_SLOT_DEFAULT = "%#H:%M:%S EST"
DATE_TOKENS = ("%a", "%A", "%b", "%B", "%#c", "%c", "%#d", "%d", "%#j", "%j", "%#m", "%m", "%#U", "%U",
               "%#w", "%w", "%#W", "%W", "%#x", "%x", "%#y", "%y", "%#Y", "%Y")
TIME_TOKENS = ("%#H", "%H", "%#M", "%M", "%#S", "%S", "%X")
# A point is 96 / 72 pixels, the stamp rasteriser's resolution.
PIXELS_PER_INCH = 96


def shows(format_text, tokens):
    return int(any(t in format_text for t in tokens))


def put_text(data, offset, text, chars):
    encoded = text.encode("utf-16-le")
    assert len(encoded) < 2 * chars, f"{text!r} does not fit {chars} characters"
    data[offset:offset + len(encoded)] = encoded


def put_ints(data, offset, *values):
    struct.pack_into(f"<{len(values)}i", data, offset, *values)


def put_stamp(data, base, stamp):
    """One stamp block: `stamp` holds what the test changed, the rest are the
    defaults of a new project."""
    custom = stamp.get("format", "")
    has_date = shows(custom, DATE_TOKENS) if "format" in stamp else stamp["hasDate"]
    has_time = shows(custom, TIME_TOKENS) if "format" in stamp else stamp["hasTime"]
    put_text(data, base, custom, 100)
    put_ints(data, base + 200, has_date, has_time, 1, 0, stamp.get("formatIndex", 1), stamp["x"], stamp["y"])
    points = stamp.get("points", 36)
    weight = stamp.get("weight", 700)
    # The font: height, width, escapement, orientation, weight, then italic,
    # underline, strike-out, character set, output, clip and quality
    # precisions, pitch and family.
    struct.pack_into("<5i8B", data, base + 228, -round(points * PIXELS_PER_INCH / 72), 0, 0, 0, weight,
                     0, 0, 0, 0, 3, 2, 3, 0x12)
    put_text(data, base + 256, stamp.get("face", "Arial"), 32)
    # Size in tenths of a point, outline, its brightnesses, transparency,
    # when it shows and its seconds, fade, delay, rotation.
    put_ints(data, base + 320, points * 10, 1, 220, 20, 0, 0, 3, 0, 3, 3, 60, 3, 0, 1, 0, 3, 0)


def project_file(project, output_folder, last_input, date_stamp, date_slot, hide_utc_note=1):
    data = bytearray(SIZE)
    data[0:len(MAGIC)] = MAGIC
    # Idle, the UTC note, language "Default", six zero adjustments, native
    # size, 25 Mbps, then four switches off.
    put_ints(data, 16, 1, hide_utc_note, 3, 0, 0, 0, 0, 0, 0, 7, 250, 0, 0, 0, 0)
    put_text(data, 76, "@N-20@F@f-@L@l", 100)
    put_ints(data, 276, 2)
    put_text(data, 280, last_input, 256)
    put_text(data, 792, project, 256)
    put_stamp(data, DATE_STAMP, date_stamp)
    put_stamp(data, TIME_STAMP, {"x": 64, "y": 960, "hasDate": 0, "hasTime": 0})
    put_ints(data, 2748, 1)
    put_ints(data, 2756, 5)
    for group, slot in enumerate(DATE_SLOT_DEFAULTS[:3] + (date_slot,)):
        put_text(data, DATE_SLOTS + 200 * group, slot, 100)
    put_text(data, TIME_SLOT, TIME_SLOT_DEFAULT, 100)
    put_text(data, OUTPUT_FOLDER, output_folder, 128)
    return bytes(data)

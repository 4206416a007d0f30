"""Where stamps lie in a picture: the bands of rows in which it differs
strongly from the same picture without stamps."""
import subprocess

# A stamp sets the brightness of text and outline outright; coding noise and
# colour conversions stay well below this.
THRESHOLD = 60


def gray(source, filters=None):
    """The first picture of a video or picture file as 8-bit gray bytes."""
    command = ["ffmpeg", "-v", "error", "-i", source]
    if filters:
        command += ["-vf", filters]
    command += ["-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"]
    return subprocess.run(command, capture_output=True, check=True).stdout


def bands(picture, plain, width, least_share=0.01, gap=8):
    """(top, bottom, left, right) of each band of rows where enough pixels
    changed, with its changed columns; bands closer than `gap` rows merge."""
    height = len(picture) // width
    least = max(3, int(width * least_share))
    found = []
    for y in range(height):
        row = range(y * width, (y + 1) * width)
        columns = [i - y * width for i in row if abs(picture[i] - plain[i]) > THRESHOLD]
        if len(columns) < least:
            continue
        if found and y - found[-1][1] <= gap:
            top, _, left, right = found[-1]
            found[-1] = (top, y, min(left, columns[0]), max(right, columns[-1]))
        else:
            found.append((y, y, columns[0], columns[-1]))
    return found

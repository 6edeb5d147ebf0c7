# Draws the wizard picture (118 x 226) and the program icon (32 x 32, 16 x 16) as PPM files.
# Regenerate app/wizard.bmp and app/setup.ico with:
#   python3 draw.py OUT && convert OUT/wizard.ppm -type palette -compress none BMP3:wizard.bmp
#   convert OUT/icon16.ppm -transparent magenta i16.png; convert OUT/icon32.ppm -transparent magenta i32.png
#   convert i16.png i32.png setup.ico
import sys

class Img:
    def __init__(s, w, h, bg):
        s.w, s.h = w, h
        s.p = [[bg] * w for _ in range(h)]
    def px(s, x, y, c):
        if 0 <= x < s.w and 0 <= y < s.h: s.p[y][x] = c
    def rect(s, x0, y0, x1, y1, c):  # inclusive
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1): s.px(x, y, c)
    def frame(s, x0, y0, x1, y1, light, dark):
        for x in range(x0, x1 + 1): s.px(x, y0, light); s.px(x, y1, dark)
        for y in range(y0, y1 + 1): s.px(x0, y, light); s.px(x1, y, dark)
    def line(s, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            s.px(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)
    def save(s, path):
        with open(path, 'wb') as f:
            f.write(b'P6 %d %d 255\n' % (s.w, s.h))
            for row in s.p:
                for c in row: f.write(bytes(c))

BEIGE = (214, 208, 188); BEIGE_L = (240, 236, 222); BEIGE_D = (150, 144, 126); DARK = (60, 58, 52)
SCREEN = (0, 0, 128); SCREEN_L = (40, 80, 200); BLACK = (0, 0, 0); WHITE = (255, 255, 255)
SILVER = (192, 192, 192); SHADOW = (0, 88, 88)

def wizard():
    w, h = 118, 226
    im = Img(w, h, (0, 128, 128))
    # a soft light from the top
    for y in range(h):
        t = y / (h - 1)
        c = (0, round(150 - 40 * t), round(150 - 40 * t))
        for x in range(w): im.p[y][x] = c
    # desk shadow
    im.rect(10, 150, 112, 154, SHADOW)
    # monitor
    im.rect(18, 30, 100, 104, BEIGE); im.frame(18, 30, 100, 104, BEIGE_L, BEIGE_D)
    im.rect(26, 37, 92, 92, DARK)
    im.rect(28, 39, 90, 90, SCREEN)
    for i in range(8): im.line(32 + i, 43, 32, 43 + i, SCREEN_L)  # glare
    for y in range(50, 84, 6): im.rect(36, y, 36 + (y * 7) % 40 + 10, y + 1, (120, 200, 255))
    im.rect(78, 96, 84, 99, (0, 170, 0))  # power light area
    im.rect(80, 97, 82, 98, (0, 255, 0))
    im.rect(48, 105, 70, 110, BEIGE_D); im.rect(38, 110, 80, 114, BEIGE); im.frame(38, 110, 80, 114, BEIGE_L, BEIGE_D)
    # desktop case
    im.rect(8, 115, 110, 146, BEIGE); im.frame(8, 115, 110, 146, BEIGE_L, BEIGE_D)
    im.rect(16, 124, 52, 127, DARK); im.rect(16, 132, 52, 135, DARK)  # drive bays
    im.rect(30, 125, 40, 125, BLACK); im.rect(30, 133, 40, 133, BLACK)
    im.rect(62, 124, 102, 138, BEIGE_D)
    for x in range(64, 101, 3): im.line(x, 126, x, 136, BEIGE)  # vents
    im.rect(16, 140, 20, 142, (0, 200, 0))
    # keyboard
    im.rect(12, 158, 106, 172, BEIGE); im.frame(12, 158, 106, 172, BEIGE_L, BEIGE_D)
    for y in range(161, 170, 3):
        for x in range(15, 103, 4): im.rect(x, y, x + 2, y + 1, BEIGE_D)
    # floppy disks, fanned out
    def floppy(x, y, body, label):
        im.rect(x, y, x + 30, y + 30, body); im.frame(x, y, x + 30, y + 30, tuple(min(255, v + 60) for v in body), BLACK)
        im.rect(x + 8, y, x + 22, y + 10, SILVER); im.rect(x + 17, y + 2, x + 20, y + 8, (90, 90, 90))
        im.rect(x + 5, y + 15, x + 25, y + 29, label)
        for ly in range(y + 18, y + 28, 3): im.line(x + 7, ly, x + 23, ly, (120, 120, 160))
    floppy(10, 184, (30, 30, 30), WHITE)
    floppy(44, 180, (0, 60, 170), (255, 255, 200))
    floppy(78, 186, (160, 20, 20), WHITE)
    return im

def icon(size):
    im = Img(size, size, (255, 0, 255))
    k = size / 32
    def R(a, b, c, d, col): im.rect(round(a * k), round(b * k), round(c * k), round(d * k), col)
    R(3, 2, 28, 20, BEIGE); R(5, 4, 26, 17, DARK); R(6, 5, 25, 16, SCREEN)
    R(8, 7, 18, 7, SCREEN_L); R(8, 10, 22, 10, SCREEN_L)
    R(11, 21, 20, 23, BEIGE_D); R(2, 24, 29, 29, BEIGE); R(6, 26, 15, 26, DARK)
    R(18, 14, 30, 30, (0, 60, 170)); R(21, 14, 27, 19, SILVER); R(20, 23, 28, 30, WHITE)
    return im

wizard().save(sys.argv[1] + '/wizard.ppm')
icon(32).save(sys.argv[1] + '/icon32.ppm')
icon(16).save(sys.argv[1] + '/icon16.ppm')

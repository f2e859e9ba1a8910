#!/usr/bin/env python3
"""Outside timings of the viewer against feh and nsxiv on an Xvfb display,
taken with xpaint (built next to this file in the build tree).

  compare.py times BUILD      launch to painted (6000 x 4000 JPEG, 1920 x 1080
                              PNG), key to the next 6000 x 4000 JPEG painted,
                              key to the next picture while an 8000 x 6000
                              16-bit TIFF still decodes, launch on one picture
                              of a 5000-file folder, peak memory; one warm-up
                              round, then RUNS rounds alternating the programs;
                              prints the medians and each ratio to the best of
                              the others
  compare.py gif BUILD        processor time while a 500 x 500, 100-frame GIF
                              (20 ms a frame) plays, as a share of one core
                              (the viewer and nsxiv -a; feh does not animate)
  compare.py hold BUILD       Space held through a folder of 20 large JPEGs,
                              then a screenshot of where it ended

BUILD is the build folder (vextrel-viewer, bench/xpaint/xpaint). Programs
that are not installed are skipped. Every program runs with a fresh home,
so nothing touches the real one. The test pictures are one colour each with
noise (photo-sized files), made once in the work folder."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

JPEG_A = (0x2E, 0xB8, 0x4C)
JPEG_B = (0xC2, 0x3A, 0x8E)
PNG_C = (0x3A, 0x6F, 0xD0)
AFTER_SLOW = (0xD8, 0x8A, 0x20)
IN_FOLDER = (0x8C, 0x2A, 0xC8)


def hexcolour(rgb):
    return '%02X%02X%02X' % rgb


def write_picture(path, width, height, rgb, amplitude=12):
    """A picture of one colour with noise of +-amplitude in each channel,
    written as PPM and converted by ImageMagick (JPEG quality 90)."""
    if os.path.exists(path):
        return
    n = width * height
    pixels = bytearray(n * 3)
    for c in range(3):
        table = bytes(max(0, min(255, rgb[c] + (v % (2 * amplitude + 1)) - amplitude)) for v in range(256))
        pixels[c::3] = os.urandom(n).translate(table)
    ppm = path + '.ppm'
    with open(ppm, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (width, height))
        f.write(pixels)
    subprocess.run(['convert', ppm, '-quality', '90', path], check=True)
    os.remove(ppm)


class Display:
    """An Xvfb server of our own for the duration of a with-block."""

    def __init__(self, number):
        self.number = number

    def __enter__(self):
        self.server = subprocess.Popen(['Xvfb', ':%d' % self.number, '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = '/tmp/.X11-unix/X%d' % self.number
        for _ in range(100):
            if os.path.exists(socket):
                break
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        self.server.terminate()
        self.server.wait()


def environment(display, home):
    env = dict(os.environ)
    os.makedirs(home, exist_ok=True)
    env.update({'DISPLAY': ':%d' % display, 'HOME': home, 'XDG_CONFIG_HOME': home + '/config',
                'XDG_DATA_HOME': home + '/data', 'XDG_CACHE_HOME': home + '/cache',
                'XDG_RUNTIME_DIR': home + '/run'})
    os.makedirs(home + '/run', mode=0o700, exist_ok=True)
    return env


def viewers(build):
    found = [('vextrel', [os.path.join(build, 'vextrel-viewer')])]
    for name in ('feh', 'nsxiv'):
        if shutil.which(name):
            found.append((name, [name]))
        else:
            print('%s is not installed: skipped' % name)
    return found


def xpaint(build, env, args):
    """Runs xpaint; returns (milliseconds, peak KB) or None when it failed."""
    done = subprocess.run([os.path.join(build, 'bench', 'xpaint', 'xpaint')] + args, env=env, capture_output=True,
                          text=True, timeout=120)
    try:
        ms, peak = done.stdout.split()
        return float(ms), int(peak)
    except ValueError:
        sys.stderr.write(done.stderr)
        return None


def times(options):
    work = options.work
    jpegs, png = os.path.join(work, 'jpegs'), os.path.join(work, 'png')
    os.makedirs(jpegs, exist_ok=True)
    os.makedirs(png, exist_ok=True)
    a, b, p = os.path.join(jpegs, 'a.jpg'), os.path.join(jpegs, 'b.jpg'), os.path.join(png, 'p.png')
    write_picture(a, 6000, 4000, JPEG_A)
    write_picture(b, 6000, 4000, JPEG_B)
    write_picture(p, 1920, 1080, PNG_C)
    # A picture that takes a second or more to decode, and a small one after it.
    slow_dir = os.path.join(work, 'slow')
    os.makedirs(slow_dir, exist_ok=True)
    slow, after = os.path.join(slow_dir, 'a.tif'), os.path.join(slow_dir, 'b.png')
    if not os.path.exists(slow):
        # 16-bit RGB goes through libtiff's RGBA reader (within ImageMagick's default resource policy).
        subprocess.run(['convert', '-size', '8000x6000', 'gradient:red-blue', '-depth', '16', '-compress', 'zip', slow],
                       check=True)
    write_picture(after, 640, 480, AFTER_SLOW)
    # 5000 names (hard links to one small picture) around the one opened.
    big_folder = os.path.join(work, 'folder5000')
    os.makedirs(big_folder, exist_ok=True)
    middle = os.path.join(big_folder, 'p2500.png')
    write_picture(middle, 640, 480, IN_FOLDER)
    for i in range(5000):
        name = os.path.join(big_folder, 'p%04d.png' % i)
        if not os.path.exists(name):
            os.link(middle, name)
    programs = viewers(options.build)
    rows = [('launch to painted, 6000 x 4000 JPEG', lambda cmd: ['launch', hexcolour(JPEG_A), '--'] + cmd + [a]),
            ('launch to painted, 1920 x 1080 PNG', lambda cmd: ['launch', hexcolour(PNG_C), '--'] + cmd + [p]),
            ('key to the next 6000 x 4000 JPEG painted',
             # feh and nsxiv step through the files they are given; the viewer lists the folder.
             lambda cmd: ['next', hexcolour(JPEG_A), hexcolour(JPEG_B), 'space', '--'] + cmd
             + ([a] if cmd[0].endswith('vextrel-viewer') else [a, b])),
            ('key to the next picture while a slow one decodes',
             lambda cmd: ['next', '-', hexcolour(AFTER_SLOW), 'space', '--'] + cmd
             + ([slow] if cmd[0].endswith('vextrel-viewer') else [slow, after])),
            ('launch on one picture of a 5000-file folder',
             lambda cmd: ['launch', hexcolour(IN_FOLDER), '--'] + cmd + [middle])]
    ms = {(row, name): [] for row, _ in rows for name, _ in programs}
    peak = {(row, name): [] for row, _ in rows for name, _ in programs}
    with Display(options.display):
        for round_ in range(options.runs + 1):
            for row, args in rows:
                for name, cmd in programs:
                    env = environment(options.display, os.path.join(work, 'home-' + name))
                    got = xpaint(options.build, env, args(cmd))
                    time.sleep(0.3)
                    if got is None:
                        print('round %d, %s, %s: failed' % (round_, row, name))
                        continue
                    if round_ > 0:  # round 0 warms the file cache and the programs
                        ms[(row, name)].append(got[0])
                        peak[(row, name)].append(got[1])
            print('round %d of %d done' % (round_, options.runs), flush=True)
    print('\nmedians of %d alternating runs after a warm-up, ms (peak memory: at the end of a launch row;\n'
          'before the key of the next-picture row, the next picture decoded ahead)' % options.runs)
    names = [name for name, _ in programs]
    print('%-44s' % 'measure' + ''.join('%18s' % n for n in names) + '%10s' % 'ratio')
    for row, _ in rows:
        medians = {n: statistics.median(ms[(row, n)]) for n in names if ms[(row, n)]}
        peaks = {n: statistics.median(peak[(row, n)]) / 1024 for n in names if peak[(row, n)]}
        line = '%-44s' % row
        for n in names:
            line += '%18s' % ('%.0f (%.0f MB)' % (medians[n], peaks[n]) if n in medians else '-')
        others = [medians[n] for n in names[1:] if n in medians]
        if 'vextrel' in medians and others:
            line += '%10.2f' % (medians['vextrel'] / min(others))
        print(line)
    print('\nall runs:')
    for (row, name), values in ms.items():
        print('%s | %s | %s' % (row, name, ' '.join('%.0f' % v for v in values)))


def cpu_seconds(pid):
    """User and system processor time of a process so far, in seconds."""
    with open('/proc/%d/stat' % pid) as f:
        fields = f.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


def gif(options):
    path = '/tmp/vx_open_500x500x100.gif'
    if not os.path.exists(path):
        # Written by the in-process benchmark of the same animation.
        subprocess.run([os.path.join(options.build, 'bench', 'open', 'bench_open'),
                        '--benchmark_filter=BM_PlainGiflibFrames'], check=True, capture_output=True)
    programs = [('vextrel', [os.path.join(options.build, 'vextrel-viewer')])]
    if shutil.which('nsxiv'):
        programs.append(('nsxiv', ['nsxiv', '-a']))
    seconds = 10
    share = {name: [] for name, _ in programs}
    with Display(options.display):
        for round_ in range(options.runs):
            for name, cmd in programs:
                env = environment(options.display, os.path.join(options.work, 'home-' + name))
                p = subprocess.Popen(cmd + [path], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(2)  # started and playing
                start, t0 = cpu_seconds(p.pid), time.monotonic()
                time.sleep(seconds)
                used = cpu_seconds(p.pid) - start
                share[name].append(100 * used / (time.monotonic() - t0))
                p.terminate()
                p.wait()
            print('round %d of %d done' % (round_ + 1, options.runs), flush=True)
    print('\nprocessor time while the GIF plays, %% of one core (medians of %d runs of %d s)' % (options.runs, seconds))
    for name, _ in programs:
        print('%-10s %6.1f %%   %s' % (name, statistics.median(share[name]), ' '.join('%.1f' % v for v in share[name])))
    if len(programs) > 1:
        print('ratio %.2f' % (statistics.median(share['vextrel']) / statistics.median(share[programs[1][0]])))


HOLD_COLOURS = [(r, g, b) for r in (30, 110, 190) for g in (30, 110, 190) for b in (30, 110, 190)
                if (r, g, b) not in ((30, 30, 30), (190, 190, 190), (110, 110, 110))][:20]


def hold(options):
    folder = os.path.join(options.work, 'hold20')
    os.makedirs(folder, exist_ok=True)
    for i, rgb in enumerate(HOLD_COLOURS):
        write_picture(os.path.join(folder, 'p%02d.jpg' % (i + 1)), 6000, 4000, rgb)
    env = environment(options.display, os.path.join(options.work, 'home-hold'))
    with Display(options.display):
        done = subprocess.run([os.path.join(options.build, 'bench', 'xpaint', 'xpaint'), 'hold', 'space']
                              + [hexcolour(c) for c in HOLD_COLOURS]
                              + ['--', os.path.join(options.build, 'vextrel-viewer'), os.path.join(folder, 'p01.jpg')],
                              env=env, capture_output=True, text=True, timeout=180)
        lines = done.stdout.split()
        print(done.stdout.rsplit('\n', 2)[0])
        shot = os.path.join(options.work, 'hold20.png')
        subprocess.run(['import', '-window', 'root', shot], env=env)
        print('screenshot: %s' % shot)
        if lines and lines[-1].isdigit():
            os.kill(int(lines[-1]), 15)
    return done.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('what', choices=['times', 'hold', 'gif'])
    parser.add_argument('build')
    parser.add_argument('--display', type=int, default=57)
    parser.add_argument('--runs', type=int, default=7)
    parser.add_argument('--work', default=os.path.join(tempfile.gettempdir(), 'vx-xpaint'))
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    os.makedirs(options.work, exist_ok=True)
    return {'times': times, 'hold': hold, 'gif': gif}[options.what](options)


if __name__ == '__main__':
    sys.exit(main() or 0)

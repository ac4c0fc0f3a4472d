"""Times tarvo-icontool beside icoutils, ImageMagick and Pillow on the same jobs, as whole
processes, alternating ours and theirs run by run, and prints the medians, their ratio and the
peak memory of each.

  compare-peers.py ICONTOOL [RUNS]

Inputs are made in a temporary folder: the library of make-system-dll.sh (1,840 images), an
icon of 18 images, one of 5 and one 32 x 32 image.
"""
import os, resource, shutil, statistics, subprocess, sys, tempfile, time

here = os.path.dirname(os.path.abspath(__file__))
tool = os.path.abspath(sys.argv[1])
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
work = tempfile.mkdtemp()

def make(name, spec):
    path = os.path.join(work, name)
    subprocess.run([sys.executable, os.path.join(here, "make_icons.py"), "ico", path, spec],
                   check=True)
    return path

dll = os.path.join(work, "system.dll")
subprocess.run([os.path.join(here, "make-system-dll.sh"), dll], check=True)
icon18 = make("eighteen.ico", "16@1,32@1,16@4,24@4,32@4,48@4,16@8,24@8,32@8,48@8,64@8,"
                              "16@32,24@32,32@32,48@32,64@32,128@32,256@0")
icon5 = make("five.ico", "16@8,32@8,16@32,32@32,48@32")
icon32 = make("one.ico", "32@32")

outputs = 0

def fresh():
    """A folder of its own for each run: files deleted just before would make the file system
    slower for whoever writes next."""
    global outputs
    outputs += 1
    out = os.path.join(work, f"out{outputs}")
    os.makedirs(out)
    return out

def run(command):
    """Seconds of one run of a shell command."""
    start = time.perf_counter()
    status = subprocess.run(["/bin/sh", "-c", command.replace("OUT", fresh())],
                            stdout=subprocess.DEVNULL).returncode
    seconds = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {command}")
    return seconds

def peak(command):
    """Peak resident megabytes of a run, the largest of the programs it starts, measured apart
    from the timed runs (GNU time reports the shell's waited children)."""
    report = os.path.join(work, "peak")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, "/bin/sh", "-c",
                    command.replace("OUT", fresh())], stdout=subprocess.DEVNULL, check=True)
    return int(open(report).read().split()[-1]) / 1024

pillow = (f"/usr/bin/python3 -c \"import sys; from PIL import Image; "
          f"Image.open(sys.argv[1]).save(sys.argv[2])\"")
jobs = [
    ("every icon of the library to PNG", f"{tool} extract {dll} -o OUT",
     "icoutils", f"wrestool -x -t 14 -o OUT {dll} && icotool -x -o OUT OUT/*.ico"),
    ("info of an 18-image icon", f"{tool} info {icon18}", "icoutils", f"icotool -l {icon18}"),
    ("extract of a 5-image icon", f"{tool} extract {icon5} -o OUT",
     "icoutils", f"icotool -x -o OUT {icon5}"),
    ("a 32 x 32 icon to PNG", f"{tool} convert {icon32} OUT/one.png",
     "ImageMagick", f"/usr/bin/convert {icon32} OUT/one.png"),
    ("a 32 x 32 icon to PNG", f"{tool} convert {icon32} OUT/one.png",
     "Pillow", f"{pillow} {icon32} OUT/one.png"),
]
print(f"{'job':36} {'peer':12} {'ours ms':>8} {'peer ms':>8} {'ratio':>6} {'ours MB':>8} {'peer MB':>8}")
for name, ours, peer, theirs in jobs:
    mine, other = [], []
    for _ in range(runs):
        mine.append(run(ours))
        other.append(run(theirs))
    a, b = statistics.median(mine), statistics.median(other)
    print(f"{name:36} {peer:12} {a * 1000:8.1f} {b * 1000:8.1f} {a / b:6.2f} "
          f"{peak(ours):8.1f} {peak(theirs):8.1f}")
shutil.rmtree(work)

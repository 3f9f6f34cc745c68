"""Prints the benchmark table: each operation's median, its floor, and their ratio."""
import json
import sys

results = json.load(open(sys.argv[1]))
extras = dict(line.split() for line in open(sys.argv[2]) if line.strip())

median = {}
for b in results["benchmarks"]:
    if b.get("aggregate_name", "median") == "median" or b.get("run_type") == "iteration":
        name = b.get("run_name", b["name"])
        if b.get("aggregate_name") == "median" or name not in median:
            median[name] = b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]

# label, operation, floor, what the floor is, target ratio, the size the target is set at
rows = [
    ("Load (construction)", "BM_StoreLoad", "BM_FloorParse", "one-shot simdjson parse", 1.5, 1000000),
    ("One stop (addTockle)", "BM_AddTockle", "BM_FloorWriteFsync", "write+fsync", 1.5, 100000),
    ("First stop after a start", "BM_FirstAddTockle", "BM_FloorWriteFsync", "write+fsync", None, None),
    ("Export CSV", "BM_Export", "BM_FloorExport", "write+fsync+strftime", 2.0, 100000),
    ("One tick's totals", "BM_Totals", "BM_FloorDurations", "one pass over the durations", 3.0, 1000000),
    ("Panel tick (50 projects)", "BM_PanelTick", None, "", None, None),
]
print(f"| Operation | Records | Median | Floor | Ratio | Target |")
print(f"|---|---:|---:|---:|---:|---|")
for label, op, floor, floor_name, target, target_at in rows:
    for n in (1000, 10000, 100000, 1000000):
        t = median.get(f"{op}/{n}")
        if t is None:
            continue
        if floor:
            f = median.get(f"{floor}/{n}")
            ratio = t / f
            goal = f"≤ {target}×" if target and n == target_at else ""
            print(f"| {label} | {n:,} | {t:.2f} ms | {f:.2f} ms ({floor_name}) | {ratio:.2f}× | {goal} |")
        else:
            goal = {100000: "≤ 2 ms", 1000000: "≤ 20 ms"}.get(n, "")
            print(f"| {label} | {n:,} | {t:.2f} ms | | | {goal} |")
for n in (100000, 1000000):
    f = median.get(f"BM_FloorRead/{n}")
    if f is not None:
        print(f"| Plain read of the records file | {n:,} | {f:.2f} ms | | | |")
for key, label in (("store_bytes_per_record_100000", "Store memory per record, 100k"),
                   ("store_bytes_per_record_1000000", "Store memory per record, 1M")):
    if key in extras:
        print(f"| {label} | | {extras[key]} B | | | ≤ 120 B |")
if "rss_app_kb" in extras:
    app, bare = int(extras["rss_app_kb"]), int(extras["rss_bare_kb"])
    print(f"| Idle app RSS, 100k records | | {app / 1024:.1f} MiB | {bare / 1024:.1f} MiB (bare Qt tray app) | {app / bare:.2f}× | ≤ 1.2× |")
if "wakeups_app" in extras:
    print(f"| Wake-ups while idle, in the tray | | {extras['wakeups_app']}/min | {extras['wakeups_bare']}/min (bare Qt tray app) | | ≤ bare |")
    print(f"| Wake-ups while idle, no tray (window) | | {extras['wakeups_no_tray']}/min | | | ≤ bare |")
if "cpu_ms_per_minute" in extras:
    ms = int(extras["cpu_ms_per_minute"])
    print(f"| CPU while tracking, panel closed | | {ms} ms/min | | {ms / 600:.3f}% of a core | ≤ 0.05% |")
for n in (100000, 1000000):
    if f"start_ms_{n}" in extras:
        app, bare = int(extras[f"start_ms_{n}"]), int(extras[f"start_bare_ms_{n}"])
        print(f"| Start until the tray icon shows | {n:,} | {app} ms | {bare} ms (bare Qt tray app) | {app / bare:.2f}× | ≤ 1.3× |")
for n in (100000, 1000000):
    if f"peak_kb_{n}" in extras:
        peak, file, idle = (int(extras[k]) / 1024 for k in (f"peak_kb_{n}", f"file_kb_{n}", "peak_idle_kb"))
        budget = 1.5 * file + idle
        print(f"| Peak memory, start and first open | {n:,} | {peak:.1f} MiB | {budget:.1f} MiB (1.5 × {file:.1f} MiB file + {idle:.1f} MiB with no history) | {peak / budget:.2f}× | ≤ 1.0× |")

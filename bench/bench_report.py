"""The table that the SMTP and FTP benchmarks print: per client the median time, throughput and CPU time and the
peak memory over its runs, then the time ratio of tervolen to curl."""
import statistics


def report(title, results, size_mb):
    """results: client name -> list of (seconds, CPU seconds, peak RSS in KiB), one per run."""
    print(title)
    medians = {}
    for name, runs in results.items():
        medians[name] = statistics.median(seconds for seconds, _, _ in runs)
        cpu = statistics.median(cpu for _, cpu, _ in runs)
        peak = max(memory for _, _, memory in runs)
        print(f"{name:>9}: {medians[name]:7.2f} s  {size_mb / medians[name]:8.1f} MB/s  cpu {cpu:6.2f} s"
              f"  peak RSS {peak / 1024:6.1f} MiB  (runs: {', '.join(f'{seconds:.2f}' for seconds, _, _ in runs)})")
    print(f"time ratio tervolen/curl: {medians['tervolen'] / medians['curl']:.3f}")

#!/usr/bin/env python3
"""Benchmark suite: the sort engine against GNU sort on the same records.

Every case runs both commands alternately, several times, in one invocation, checks that every
output is the expected sorted file, and reports the ratio of the medians of the wall times.
Usage: bench.py --build-dir DIR [--work DIR] [--runs N] [--smoke] [--cases 1,2,...]
Case 12 (sorts far beyond memory, in a memory control group) is not in the default set: it
writes about 24 GB and runs for many minutes; ask for it with --cases 12.
"""
import argparse
import os
import signal
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024


class Bench:
    def __init__(self, build, work, runs, smoke):
        self.build = os.path.abspath(build)
        self.work = work
        self.runs = runs
        self.smoke = smoke
        self.tool = self._program("bench/kvtbench")
        self.engine = self._program("engine/kvtsorts")
        self.front = self._program("jobfront/kv02sort")
        self.rows = []
        self.failed = False

    def _program(self, rel):
        path = os.path.join(self.build, rel)
        if not os.access(path, os.X_OK):
            sys.exit("missing program %s: build first" % path)
        return path

    def scale(self, n):
        return max(2000, n // 1000) if self.smoke else n

    # ---- preparing inputs --------------------------------------------------------------
    def gen(self, name, count, length, key_len, seed=1, kind="random"):
        path = os.path.join(self.work, name)
        subprocess.run([self.tool, "gen", path, str(count), str(length), str(key_len),
                        str(seed), kind], check=True)
        return path

    def engine_dir(self, tag):
        d = os.path.join(self.work, "engine-" + tag)
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        return d

    def write_ctl(self, d, chunks, per_chunk, length, fields, infile, outfile, order="B",
                  table="", limits=None):
        args = [self.tool, "ctl", os.path.join(d, "kvtsort.ctl"), str(chunks), str(per_chunk),
                str(length), "0", order, infile, outfile, d + "/"]
        if limits is not None:
            args[2:2] = ["--limits", str(limits)]
        if order == "U":
            args.append(table)
        args.append("--")
        args += ["%d:%d:%s" % f for f in fields]
        subprocess.run(args, check=True)

    @staticmethod
    def cover(length, keys):
        """Key entries followed by blank entries for every byte no key covers."""
        fields = list(keys)
        covered = sorted((p, l) for p, l, _ in keys)
        pos = 1
        for p, l in covered:
            if p > pos:
                fields.append((pos, p - pos, "_"))
            pos = max(pos, p + l)
        if pos <= length:
            fields.append((pos, length - pos + 1, "_"))
        return fields

    # ---- running ------------------------------------------------------------------------
    def run(self, argv, cwd=None, env=None):
        start = time.perf_counter()
        proc = subprocess.Popen(argv, cwd=cwd, env=env, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.returncode != 0:
            raise RuntimeError("%s exited with %d" % (argv[0], proc.returncode))
        return elapsed, usage.ru_maxrss * 1024

    def engine_env(self, d):
        env = dict(os.environ)
        env["KVT_REGISTRY"] = os.path.join(d, "no-registry.reg")  # main directory = cwd
        return env

    def timed_pair(self, ours, theirs):
        """Alternates the two commands; returns the medians and our peak memory."""
        a, b, peak = [], [], 0
        for _ in range(self.runs):
            # Each run starts with no dirty data left by the one before, so neither side waits
            # for the other's writes to reach the disk.
            os.sync()
            t, rss = ours()
            a.append(t)
            peak = max(peak, rss)
            os.sync()
            b.append(theirs())
        return statistics.median(a), statistics.median(b), peak

    def timed_all(self, commands):
        """Runs the commands in turn, round after round; returns each one's median and peak
        memory (for commands that return (time, peak))."""
        times = [[] for _ in commands]
        peaks = [0 for _ in commands]
        for _ in range(self.runs):
            for k, command in enumerate(commands):
                os.sync()
                result = command()
                t, peak = result if isinstance(result, tuple) else (result, 0)
                times[k].append(t)
                peaks[k] = max(peaks[k], peak)
        return [statistics.median(t) for t in times], peaks

    def gnu_sort(self, infile, outfile, keys, memory, tmp, parallel=1):
        argv = ["sort", "-s", "--parallel=%d" % parallel, "-S", memory, "-T", tmp, "-t", "\t"] + \
               keys + ["-o", outfile, infile]
        env = dict(os.environ, LC_ALL="C")
        return lambda: self.run(argv, env=env)[0]

    def copy_with_sync(self, infile, outfile):
        return lambda: self.run([self.tool, "copy", infile, outfile])[0]

    def engine_command(self, d, threads=None):
        env = self.engine_env(d)
        if threads is not None:
            env["KVT_THREADS"] = str(threads)
        return lambda: self.run([self.engine], cwd=d, env=env)

    def same(self, a, b, label):
        if subprocess.run(["cmp", "-s", a, b]).returncode != 0:
            print("OUTPUT MISMATCH in %s: %s differs from %s" % (label, a, b))
            self.failed = True
            return False
        return True

    def ctl_case(self, tag, count, length, key_len, chunks, infile, outfile, limits=None):
        """An engine folder for sorting infile by its first key_len bytes in `chunks` chunks."""
        d = self.engine_dir(tag)
        per_chunk = -(-count // chunks)
        chunks = -(-count // per_chunk)
        fields = self.cover(length, [(1, key_len, "A")])
        self.write_ctl(d, chunks, per_chunk, length, fields, infile, outfile, limits=limits)
        return d, per_chunk

    def report(self, case, label, ours, theirs, target, note=""):
        ratio = ours / theirs if theirs > 0 else float("inf")
        ok = "" if target is None else ("met" if ratio <= target else "MISSED")
        self.rows.append((case, label, ours, theirs, ratio, target, ok, note))

    # ---- cases --------------------------------------------------------------------------
    def simple_case(self, case, label, count, length, key_len, kind="random", chunks=1,
                    memory="2G", target=None):
        infile = self.gen("in%s.dat" % case, count, length, key_len, kind=kind)
        d = self.engine_dir(str(case))
        out_ours = os.path.join(self.work, "ours%s.dat" % case)
        out_gnu = os.path.join(self.work, "gnu%s.dat" % case)
        per_chunk = -(-count // chunks)
        chunks = -(-count // per_chunk)
        fields = self.cover(length, [(1, key_len, "A")])
        self.write_ctl(d, chunks, per_chunk, length, fields, infile, out_ours)
        ours = lambda: self.run([self.engine], cwd=d, env=self.engine_env(d))
        theirs = self.gnu_sort(infile, out_gnu, ["-k1.1,1.%d" % key_len], memory, self.work)
        t_ours, t_gnu, peak = self.timed_pair(ours, theirs)
        self.same(out_ours, out_gnu, label)
        self.report(case, label, t_ours, t_gnu, target)
        budget = per_chunk * length + 8 * per_chunk + 32 * MIB
        return t_ours, peak, budget, infile, out_ours

    def case_user_order(self):
        count = self.scale(1_000_000)
        infile = self.gen("in4.dat", count, 100, 10, seed=4)
        table = os.path.join(self.work, "reverse.sor")
        subprocess.run([self.tool, "table", table], check=True)
        translated = os.path.join(self.work, "in4.translated")
        subprocess.run([self.tool, "translate", table, infile, translated, "100", "10"],
                       check=True)
        d = self.engine_dir("4")
        out_ours = os.path.join(self.work, "ours4.dat")
        out_gnu = os.path.join(self.work, "gnu4.dat")
        self.write_ctl(d, 1, count, 100, self.cover(100, [(1, 10, "D")]), infile, out_ours,
                       order="U", table=table)
        ours = lambda: self.run([self.engine], cwd=d, env=self.engine_env(d))
        theirs = self.gnu_sort(translated, out_gnu, ["-r", "-k1.1,1.10"], "2G", self.work)
        t_ours, t_gnu, _ = self.timed_pair(ours, theirs)
        ours_translated = os.path.join(self.work, "ours4.translated")
        subprocess.run([self.tool, "translate", table, out_ours, ours_translated, "100", "10"],
                       check=True)
        self.same(ours_translated, out_gnu, "user order")
        self.report(4, "descending, user collating sequence", t_ours, t_gnu, 0.5)

    def case_mixed(self, length, label):
        total = self.scale(100_000_000)
        count = total // length
        infile = self.gen("in5-%d.dat" % length, count, length, 10, seed=5)
        keys = [(1, 2, "A"), (3, 2, "D"), (5, 2, "A"), (7, 2, "D"), (9, 2, "A")]
        gnu_keys = []
        for p, l, c in keys:
            gnu_keys.append("-k1.%d,1.%d%s" % (p, p + l - 1, "r" if c == "D" else ""))
        d = self.engine_dir("5-%d" % length)
        out_ours = os.path.join(self.work, "ours5.dat")
        out_gnu = os.path.join(self.work, "gnu5.dat")
        self.write_ctl(d, 1, count, length, self.cover(length, keys), infile, out_ours)
        ours = lambda: self.run([self.engine], cwd=d, env=self.engine_env(d))
        theirs = self.gnu_sort(infile, out_gnu, gnu_keys, "2G", self.work)
        t_ours, t_gnu, _ = self.timed_pair(ours, theirs)
        self.same(out_ours, out_gnu, label)
        self.report(5, label, t_ours, t_gnu, None, "%d records" % count)

    def case_front_end(self, infile, engine_time):
        product, env = self.product_folder("7")
        out = os.path.join(self.work, "front7.dat")
        self.job_file(product, "bench.txt", infile, out, 80)
        times = []
        for _ in range(self.runs):
            os.sync()
            times.append(self.run([os.path.join(product, "kv02sort"), "bench.txt"], env=env)[0])
        front = statistics.median(times)
        self.same(out, os.path.join(self.work, "gnu1.dat"), "kv02sort end to end")
        extra_ms = (front - engine_time) * 1000
        self.rows.append((7, "kv02sort end to end minus engine alone", front, engine_time,
                          front / engine_time, None,
                          "met" if extra_ms <= 50 else "MISSED",
                          "%+.0f ms (target <= 50 ms)" % extra_ms))

    def case_big(self):
        """10,000,000 records of 100 bytes: one chunk against GNU sort on one and two threads and
        against copying the file; 5 and 10 chunks against the one-chunk run."""
        count = self.scale(10_000_000)
        infile = self.gen("in9.dat", count, 100, 10, seed=9)
        outs = {k: os.path.join(self.work, "out9-%s.dat" % k)
                for k in ("c1", "c5", "c10", "gnu1", "gnu2", "copy")}
        d1, _ = self.ctl_case("9-1", count, 100, 10, 1, infile, outs["c1"])
        d5, _ = self.ctl_case("9-5", count, 100, 10, 5, infile, outs["c5"])
        d10, _ = self.ctl_case("9-10", count, 100, 10, 10, infile, outs["c10"])
        key = ["-k1.1,1.10"]
        # The disk's speed drifts over minutes here, so the runs that are compared with each
        # other follow each other: the copy right after the one-chunk run, then the chunked runs.
        (t1, cp, t5, t10, g1, g2), _ = self.timed_all([
            self.engine_command(d1), self.copy_with_sync(infile, outs["copy"]),
            self.engine_command(d5), self.engine_command(d10),
            self.gnu_sort(infile, outs["gnu1"], key, "2G", self.work, 1),
            self.gnu_sort(infile, outs["gnu2"], key, "2G", self.work, 2)])
        for k in ("c1", "c5", "c10", "gnu2"):
            self.same(outs[k], outs["gnu1"], "case 9 " + k)
        label = "%d x 100 B, 1 chunk" % count
        self.report(9, label + " vs GNU sort --parallel=1", t1, g1, 0.12)
        self.report(9, label + " vs GNU sort --parallel=2", t1, g2, 0.16)
        self.report(9, label + " vs copying with fsync", t1, cp, 1.6)
        self.report(9, "%d x 100 B, 5 chunks vs 1 chunk" % count, t5, t1, 1.3)
        self.report(9, "%d x 100 B, 10 chunks vs 1 chunk" % count, t10, t1, 1.3)

    def case_narrow_key(self):
        count = self.scale(6_250_000)
        # 16-byte records: 15 random bytes and the newline, all of them the key.
        infile = self.gen("in10.dat", count, 16, 15, seed=10)
        out_ours = os.path.join(self.work, "ours10.dat")
        out_gnu = os.path.join(self.work, "gnu10.dat")
        d = self.engine_dir("10")
        self.write_ctl(d, 1, count, 16, [(1, 16, "A")], infile, out_ours)
        (t_ours, t_gnu), _ = self.timed_all([
            self.engine_command(d),
            self.gnu_sort(infile, out_gnu, ["-k1.1,1.15"], "2G", self.work)])
        self.same(out_ours, out_gnu, "16-byte key")
        self.report(10, "%d x 16 B, 16-byte key" % count, t_ours, t_gnu, 0.12)

    def case_status_heavy(self):
        """Runs that write many status records, against the same runs whose status file cannot
        be created (a folder stands in its place)."""
        count = self.scale(1_000_000)
        infile = self.gen("in11.dat", count, 100, 10, seed=11)
        rows = [("1024 partitions per chunk", 1, 1024), ("2000 work files", 2000, None)]
        for label, chunks, limits in rows:
            out_ours = os.path.join(self.work, "ours11.dat")
            out_ref = os.path.join(self.work, "ref11.dat")
            d, _ = self.ctl_case("11", count, 100, 10, chunks, infile, out_ours, limits)
            blocked, _ = self.ctl_case("11-blocked", count, 100, 10, chunks, infile, out_ref,
                                       limits)
            os.makedirs(os.path.join(blocked, "kvtsort.sts"))
            (t_ours, t_ref), _ = self.timed_all([self.engine_command(d),
                                                 self.engine_command(blocked)])
            self.same(out_ours, out_ref, label)
            self.report(11, "status-heavy: %s" % label, t_ours, t_ref, 1.2,
                        "vs the same run without a status file")

    def case_memory(self):
        """Peak memory of one-chunk runs for record lengths 1 to 1000."""
        for length, count in ((1, 20_000_000), (4, 10_000_000), (16, 5_000_000),
                              (100, 2_000_000), (1000, 200_000)):
            count = self.scale(count)
            key = min(length, 10)
            infile = self.gen("in8-%d.dat" % length, count, length, key, seed=8)
            out = os.path.join(self.work, "out8.dat")
            d, per_chunk = self.ctl_case("8-%d" % length, count, length, key, 1, infile, out)
            _, peak = self.run([self.engine], cwd=d, env=self.engine_env(d))
            budget = per_chunk * (length + 8) + 32 * MIB
            self.memory_row(8, "peak memory, %d x %d B" % (count, length), peak, budget)
            os.remove(infile)

    # ---- case 12: far beyond memory ------------------------------------------------------
    def product_folder(self, tag):
        """A main directory holding the engine and the front-end, with its own registry."""
        product = os.path.join(self.work, "product-" + tag)
        shutil.rmtree(product, ignore_errors=True)
        os.makedirs(os.path.join(product, "SortCtl"))
        for prog in (self.engine, self.front):
            shutil.copy(prog, product)
        registry = os.path.join(product, "registry.reg")
        with open(registry, "w") as f:
            f.write('REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n'
                    '"MainDir"="%s/"\n' % product)
        return product, dict(os.environ, KVT_REGISTRY=registry)

    @staticmethod
    def job_file(product, name, infile, outfile, memory):
        lines = ['[FILE]', 'PRODUCT="KV02"', 'VERSION="200"', 'INFILE="%s"' % infile,
                 'OUTFILE="%s"' % outfile, 'WORKDIR="%s/"' % product, 'RECLEN="100"',
                 'MEMORYUSAGE="%d"' % memory, 'WORKFILES="*"', 'MAXSPLIT="*"', 'MINSPLIT="*"',
                 'SORTORDER="BINARY"', '[FIELDS]', '1POS="1"', '1LEN="10"', '1ORD="A"',
                 '[END]']
        with open(os.path.join(product, "SortCtl", name), "wb") as f:
            f.write("".join(l + "\r\n" for l in lines).encode())

    def watched_run(self, argv, env, group, outfile, kill_at=None):
        """Runs argv in the memory group; returns the wall time and the time the final merge
        began (its temporary output appeared). With kill_at, kills the job's whole process
        group once the temporary output holds that many bytes and returns at once."""
        temporary = outfile + ".kvttmp"
        start = time.perf_counter()
        proc = subprocess.Popen(group.wrap(argv), env=env, stdout=subprocess.DEVNULL,
                                start_new_session=True)
        merge_start = None
        while proc.poll() is None:
            if merge_start is None and os.path.exists(temporary):
                merge_start = time.perf_counter() - start
            if kill_at is not None and merge_start is not None:
                try:
                    if os.path.getsize(temporary) >= kill_at:
                        os.killpg(proc.pid, signal.SIGKILL)
                        proc.wait()
                        return None, merge_start
                except FileNotFoundError:
                    pass
            time.sleep(0.02)
        elapsed = time.perf_counter() - start
        if proc.returncode != 0:
            raise RuntimeError("%s exited with %d" % (argv[0], proc.returncode))
        return elapsed, merge_start

    @staticmethod
    def cold(command):
        """Runs command with the page cache emptied first (where this user may), so that no
        side finds the other's files, or its own input, still in memory."""
        os.sync()
        try:
            with open("/proc/sys/vm/drop_caches", "w") as f:
                f.write("3")
        except OSError:
            pass
        return command()

    def case_beyond_memory(self):
        """Sorts of 1, 2 and 4 GB inside a memory control group of 1 GiB (page cache included):
        kv02sort with its own memory plan against GNU sort with the same memory and against
        copying the file; at 4 GB also a run killed during its final merge and resumed."""
        group = MemoryGroup.make(1024 * MIB)
        if group.why:
            self.rows.append((12, "far beyond memory", 0, 0, 0, None, "SKIPPED", group.why))
            return
        try:
            self.beyond_memory_rows(group)
        finally:
            group.remove()

    def beyond_memory_rows(self, group):
        # The front-end plans chunks from 80 % of the room the group leaves; GNU sort gets as
        # much as its buffer.
        memory, gnu_buffer = 80, "%dM" % (1024 * 80 // 100)
        per_gb = []
        for gb in (1, 2, 4):
            count = self.scale(10_000_000 * gb)
            infile = self.gen("in12.dat", count, 100, 10, seed=12)
            out = {k: os.path.join(self.work, "out12-%s.dat" % k) for k in ("ours", "gnu", "copy")}
            product, env = self.product_folder("12")
            self.job_file(product, "big.txt", infile, out["ours"], memory)
            job = [os.path.join(product, "kv02sort"), "big.txt"]
            ours = lambda: self.watched_run(job, env, group, out["ours"])
            gnu_env = dict(os.environ, LC_ALL="C")
            gnu = ["sort", "-s", "--parallel=2", "-S", gnu_buffer, "-T", self.work, "-t", "\t",
                   "-k1.1,1.10", "-o", out["gnu"], infile]
            copy = [self.tool, "copy", infile, out["copy"]]
            (t_ours, t_gnu, t_copy), _ = self.timed_all([
                lambda: self.cold(lambda: ours()[0]),
                lambda: self.cold(lambda: group.timed(gnu, gnu_env)),
                lambda: self.cold(lambda: group.timed(copy, None))])
            self.same(out["ours"], out["gnu"], "case 12, %d GB" % gb)
            per_gb.append((gb, t_ours / gb, t_gnu / gb))
            if gb == 4:
                label = "%d x 100 B in a 1 GiB group" % count
                self.report(12, label + " vs GNU sort --parallel=2 -S " + gnu_buffer, t_ours,
                            t_gnu, 0.35)
                self.report(12, label + " vs copying with fsync", t_ours, t_copy, 3.0)
                self.resumed_final_merge(job, env, group, out["ours"], out["gnu"], count)
            for path in out.values():
                os.remove(path)
            os.remove(infile)
        for gb, ours_per, gnu_per in per_gb:
            self.rows.append((12, "%d GB: seconds per GB" % gb, ours_per, gnu_per,
                              ours_per / gnu_per, None, "", "ours vs GNU sort"))

    def resumed_final_merge(self, job, env, group, outfile, expected, count):
        """An uninterrupted run gives the final merge's time; a run killed half way through its
        final merge is rerun, and the rerun may take at most that time plus 10 %."""
        total, merge_start = self.cold(lambda: self.watched_run(job, env, group, outfile))
        final_merge = total - merge_start
        os.remove(outfile)
        killed, _ = self.cold(
            lambda: self.watched_run(job, env, group, outfile, kill_at=count * 100 // 2))
        rerun, _ = self.cold(lambda: self.watched_run(job, env, group, outfile))
        self.same(outfile, expected, "case 12, resumed")
        note = "final merge of an uninterrupted run: %.1f s of %.1f s" % (final_merge, total)
        if killed is not None:
            note = "the run ended before it could be killed: no resume measured"
        self.report(12, "rerun after a kill in the final merge vs the final merge", rerun,
                    final_merge, None if killed is not None else 1.1, note)

    def run_all(self, cases):
        m = self.scale
        if 1 in cases or 7 in cases or 8 in cases:
            t1, peak1, budget1, in1, _ = self.simple_case(
                1, "in memory, 1 chunk", m(1_000_000), 100, 10, target=0.16)
            self.memory_row(8, "peak memory, case 1", peak1, budget1)
        if 2 in cases or 8 in cases:
            _, peak2, budget2, _, _ = self.simple_case(
                2, "external, 32 chunks", m(4_000_000), 100, 10, chunks=32,
                memory="13M", target=0.3)
            self.memory_row(8, "peak memory, case 2", peak2, budget2)
        if 3 in cases:
            t3, _, _, in3, _ = self.simple_case(3, "already sorted", m(1_000_000), 100, 10,
                                                kind="sorted")
            copy_out = os.path.join(self.work, "copy3.dat")
            (copy,), _ = self.timed_all([self.copy_with_sync(in3, copy_out)])
            self.report(3, "already sorted vs copying with fsync", t3, copy, 1.3)
        if 4 in cases:
            self.case_user_order()
        if 5 in cases:
            self.case_mixed(16, "narrow 16-byte records, 5 mixed groups")
            self.case_mixed(1000, "wide 1000-byte records, 5 mixed groups")
        if 6 in cases:
            sizes = [100_000, 1_000_000]  # 10,000,000: case 9
            base = None
            for n in sizes:
                t, _, _, _, _ = self.simple_case(6, "scaling %d records" % m(n), m(n), 100, 10)
                per = t / m(n) * 1e9
                base = base or per
                self.rows[-1] = self.rows[-1][:7] + ("%.0f ns/record (x%.2f)" % (per, per / base),)
        if 7 in cases:
            self.case_front_end(in1, t1)
        if 8 in cases:
            self.case_memory()
        if 9 in cases:
            self.case_big()
        if 10 in cases:
            self.case_narrow_key()
        if 11 in cases:
            self.case_status_heavy()
        if 12 in cases:
            self.case_beyond_memory()

    def memory_row(self, case, label, peak, budget):
        ok = "met" if peak <= budget else "MISSED"
        self.rows.append((case, label, peak / MIB, budget / MIB, peak / budget, 1.0, ok,
                          "MiB: peak vs chunk budget + 32 MiB"))

    def print_table(self):
        print()
        print("| case | what | ours | GNU sort / ref | ratio | target | | note |")
        print("|---|---|---|---|---|---|---|---|")
        for case, label, ours, theirs, ratio, target, ok, note in self.rows:
            tgt = "" if target is None else "<= %.2f" % target
            print("| %s | %s | %.3f | %.3f | %.3f | %s | %s | %s |" %
                  (case, label, ours, theirs, ratio, tgt, ok, note))


class MemoryGroup:
    """A memory control group of its own (cgroup v1 or v2, whichever the machine lets us make)
    whose limit counts the page cache of the files its processes read and write."""

    def __init__(self, path, limit_file, why=""):
        self.path, self.limit_file, self.why = path, limit_file, why

    @staticmethod
    def make(limit):
        name = "kvtbench-%d" % os.getpid()
        tried = []
        for root, limit_file, enable in (("/sys/fs/cgroup/memory", "memory.limit_in_bytes", None),
                                         ("/sys/fs/cgroup", "memory.max", "+memory"),
                                         ("/sys/fs/cgroup/unified", "memory.max", "+memory")):
            path = os.path.join(root, name)
            try:
                if enable:
                    with open(os.path.join(root, "cgroup.subtree_control"), "w") as f:
                        f.write(enable)
                os.mkdir(path)
                with open(os.path.join(path, limit_file), "w") as f:
                    f.write(str(limit))
                return MemoryGroup(path, limit_file)
            except OSError as e:
                tried.append("%s: %s" % (root, e.strerror))
                try:
                    os.rmdir(path)
                except OSError:
                    pass
        return MemoryGroup(None, None, "no memory group could be made (%s)" % "; ".join(tried))

    def wrap(self, argv):
        """argv, started inside the group."""
        return ["sh", "-c", 'echo $$ > "$0/cgroup.procs" && exec "$@"', self.path] + argv

    def timed(self, argv, env):
        start = time.perf_counter()
        subprocess.run(self.wrap(argv), env=env, stdout=subprocess.DEVNULL, check=True)
        return time.perf_counter() - start

    def remove(self):
        if self.path:
            os.rmdir(self.path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--work")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--smoke", action="store_true",
                        help="small inputs, one run: checks outputs, no timing verdict")
    parser.add_argument("--cases", default="1,2,3,4,5,6,7,8,9,10,11")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="kvtbench")
    os.makedirs(work, exist_ok=True)
    cases = {int(c) for c in args.cases.split(",")}
    bench = Bench(args.build_dir, work, 1 if args.smoke else args.runs, args.smoke)
    try:
        bench.run_all(cases)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    bench.print_table()
    if bench.failed:
        sys.exit(1)
    print("\n%d passed, 0 failed" % len(bench.rows) if args.smoke else "")


if __name__ == "__main__":
    main()

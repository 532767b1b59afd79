// What a soak keeps of its samples: the flat columns of one resourceCounts answer, the CSV,
// the growth check between two settled samples, and a small picture of each column.

import { execFile } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { promisify } from 'node:util';

const run = promisify(execFile);
// ImageMagick has no default font here; Debian's fonts-dejavu-core gives one.
const FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf';

// Counts may end at most this much above their settled value after the warm-up: a tab's
// closed-tab memory entry or a pending script completion may be in flight when sampled.
export const COUNT_ALLOWANCE = 2;
// Bytes in use grow with the allocator's own bookkeeping: 16 MiB or a tenth of the settled
// value, whichever is more.
export const byteAllowance = (settled) => Math.max(16 * 1024 * 1024, Math.round(settled / 10));

// One answer of the channel's resourceCounts as named columns, in a fixed order.
export function flatten(answer) {
  const columns = {};
  for (const [name, value] of Object.entries(answer.program?.held ?? {})) columns[`program.${name}`] = value;
  for (const [name, value] of Object.entries(answer.program?.windows ?? {})) columns[`windows.${name}`] = value;
  for (const [name, value] of Object.entries(answer.engine)) {
    if (typeof value === 'number') columns[`engine.${name}`] = value;
  }
  for (const [name, value] of Object.entries(answer.engine.held ?? {})) columns[`engine.held.${name}`] = value;
  for (const name of ['heapBytes', 'committedPrivateBytes', 'heaps', 'threads']) {
    if (typeof answer[name] === 'number') columns[`process.${name}`] = answer[name];
  }
  return columns;
}

const isBytes = (column) => /privateBytes|heapBytes/.test(column);
// Shown and plotted, never checked: the stand-in's record of host calls (it keeps its most
// recent 50,000 calls, so it fills up during a long run), and the committed private bytes
// and the working set as Wine reports them. Wine's heap keeps the blocks a program frees
// committed for reuse, where Windows' heap gives them back, and its working set also holds
// the Unix side's caches: both rise with the heap's high-water mark and its fragmentation.
// The bytes the heaps hold in use (checked) are what a leak would raise.
export const isShownOnly = (column) => /recordedCalls|committedPrivateBytes|workingSet/.test(column);

// Columns that grew beyond their allowance from `settled` to `last`, as texts.
export function growth(settled, last) {
  const grown = [];
  for (const [column, start] of Object.entries(settled)) {
    if (isShownOnly(column)) continue;
    const allowed = start + (isBytes(column) ? byteAllowance(start) : COUNT_ALLOWANCE);
    if (last[column] > allowed) grown.push(`${column}: ${start} -> ${last[column]} (allowed up to ${allowed})`);
  }
  return grown;
}

export function writeCsv(path, samples) {
  const columns = Object.keys(samples[0]?.columns ?? {});
  const lines = [['step', 'seconds', ...columns].join(',')];
  for (const s of samples) lines.push([s.step, s.seconds.toFixed(1), ...columns.map((c) => s.columns[c])].join(','));
  writeFileSync(path, `${lines.join('\n')}\n`);
}

// One picture, a strip per column: its line over the steps, its name, least and most.
// Columns that stay 0 throughout (Wine's missing counters, the engine module's own tabs)
// are left to the CSV.
export async function plot(path, samples) {
  const columns = Object.keys(samples[0]?.columns ?? {}).filter((c) => samples.some((s) => s.columns[c] !== 0));
  const [width, strip, margin] = [640, 60, 12];
  const lastStep = Math.max(1, samples.at(-1)?.step ?? 1);
  const draws = [];
  columns.forEach((column, row) => {
    const values = samples.map((s) => s.columns[column]);
    const [low, high] = [Math.min(...values), Math.max(...values)];
    const top = row * strip + margin;
    const height = strip - 2 * margin;
    const points = samples.map((s) => {
      const x = 200 + Math.round((s.step / lastStep) * (width - 210));
      const y = top + height - (high === low ? height / 2 : Math.round(((s.columns[column] - low) / (high - low)) * height));
      return `${x},${y}`;
    });
    draws.push('-fill', 'black', '-draw', `text 4,${top + 14} '${column}'`,
      '-draw', `text 4,${top + 30} '${low} .. ${high}'`);
    if (points.length > 1) draws.push('-fill', 'none', '-stroke', '#176c63', '-draw', `polyline ${points.join(' ')}`,
      '-stroke', 'none');
  });
  await run('convert', ['-size', `${width}x${columns.length * strip}`, 'xc:white', '-font', FONT, '-pointsize', '11',
    ...draws, path]);
}

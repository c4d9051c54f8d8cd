# The chart of docs/performance.md: the time of one whole answer against
# the number of queues, directly and through the agent, at each link, from
# the medians that bench/report.py writes to `data`; drawn into `out`.
# scripts/bench runs it:  gnuplot -e "data='...'; out='...'" bench/performance.gp
#
# `data` holds one block per workload (Inquire Queue, then Escape), link
# (three, in the order run) and path (direct, then agent), each a title line
# and then lines "queues seconds".
set terminal pngcairo size 1200,600 font "sans,10"
set output out
colors = "#1b9e77 #d95f02 #7570b3"
titles = "'Inquire Queue, all attributes' 'Escape DISPLAY QLOCAL(*) ALL'"

set multiplot layout 1,2
set logscale xy
set xrange [80:6500]
set xtics ("100" 100, "1,000" 1000, "5,000" 5000)
set format y "%g"
set xlabel "local queues"
set ylabel "seconds for the whole answer (median of 5)"
set grid
set key below maxrows 3 font ",9"
do for [w = 0:1] {
  set title word(titles, w + 1)
  plot for [b = 0:5] data index (w * 6 + b) using 1:2 title columnheader(1) with linespoints \
         lc rgb word(colors, b / 2 + 1) dt 1 + b % 2 lw 2 pt 7 - 2 * (b % 2)
}
unset multiplot

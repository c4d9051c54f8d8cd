# The chart of docs/monitoring.md: csagnt-exporter's collection time against
# the number of queues, directly and through the agent, at two links (the
# data's blocks: rtt 1 ms, then rtt 20 ms).
# gnuplot -e "data='plot.dat'; out='docs/monitoring.png'" bench/monitoring.gp
set terminal pngcairo size 900,540 font ",11"
set output out
set title "csagnt-exporter: one collection of a queue manager"
set xlabel "queues"
set ylabel "seconds"
set logscale xy
set xrange [70:7000]
set key top left
set grid
set xtics (100, 1000, 5000)
plot data index 1 using 1:2 with linespoints lw 2 title "direct, rtt 20 ms", \
     data index 0 using 1:2 with linespoints lw 2 title "direct, rtt 1 ms", \
     data index 1 using 1:3 with linespoints lw 2 title "through the agent, rtt 20 ms", \
     data index 0 using 1:3 with linespoints lw 2 title "through the agent, rtt 1 ms"

#!/usr/bin/perl
# Another sender on the PC's stream port: frames of the phone's size, each one
# byte value throughout, from a local address of their own, at a steady rate.
# Run by the Windows tests as a Linux program, since Wine sends from 127.0.0.1
# whatever address a socket is bound to.
#   foreign_sender.pl FROM TO PORT BYTES FRAMES RATE
use strict;
use warnings;
use IO::Socket::INET;

my ($from, $to, $port, $bytes, $frames, $rate) = @ARGV;
die "usage: foreign_sender.pl FROM TO PORT BYTES FRAMES RATE\n" unless defined $rate;
my $socket = IO::Socket::INET->new(Proto => 'udp', LocalAddr => $from, PeerAddr => $to, PeerPort => $port)
  or die "foreign_sender: cannot send from $from: $!\n";
for my $i (0 .. $frames - 1) {
  $socket->send(chr(0xE0 + $i % 16) x $bytes);
  select(undef, undef, undef, 1 / $rate);
}

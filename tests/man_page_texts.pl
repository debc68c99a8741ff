#!/usr/bin/perl
# Every text q4t can print stands in its manual page: the status texts the
# link shows, the lines q4t writes on stderr and its usage errors.
# usage: man_page_texts.pl PAGE SOURCE_DIR
use strict;
use warnings;

my ($page, $source) = @ARGV;

# The page as plain text: macro names, font changes, escapes and quotes gone.
open(my $in, '<', $page) or die "$page: $!\n";
my @lines;
while (my $line = <$in>) {
  chomp $line;
  $line =~ s/^\.[A-Z]+ ?//;
  $line =~ s/\\-/-/g;
  $line =~ s/\\\(dq|"//g;
  $line =~ s/\\f[BIRP]|\\&|\\%//g;
  push @lines, $line;
}
(my $plain = join(' ', @lines)) =~ s/\s+/ /g;

# String literals (adjacent ones joined) handed to the calls that print, and
# the texts kept in constants for them.
my $printing = qr/(?:ShowStatus\(|fprintf\(stderr,|usage\(|usageError\(|error = (?:\w+ \+ )?|endText_ = |kConnected = |kDialoutHint =)\s*((?:"(?:[^"\\]|\\.)*"\s*)+)/;
my @missing;
for my $path (sort(glob("$source/link/*.cpp $source/link/*.h $source/cli/*.cpp"))) {
  open(my $code, '<', $path) or die "$path: $!\n";
  my $text = do { local $/; <$code> };
  while ($text =~ /$printing/g) {
    my $literal = join('', $1 =~ /"((?:[^"\\]|\\.)*)"/g);
    $literal =~ s/\\n//g;
    $literal =~ s/^q4t: //;
    for my $piece (split(/%[-0-9]*[sd]/, $literal)) {
      $piece =~ s/^[ :()]+|[ :()]+$//g;
      push @missing, "$path: $piece" if length($piece) >= 4 && index($plain, $piece) < 0;
    }
  }
}
die "not in $page:\n  " . join("\n  ", @missing) . "\n" if @missing;
print "every printed text is in the page\n";

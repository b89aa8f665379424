# Reads a DBF table (and its memo file) with DBD::XBase's XBase module and
# prints one line per record: the values joined by "|", memos as they are.
use strict;
use warnings;
use XBase;

my $table = XBase->new($ARGV[0]) or die XBase->errstr;
print join('|', $table->field_names), "\n";
for my $i (0 .. $table->last_record) {
  my ($deleted, @values) = $table->get_record($i);
  die $table->errstr unless defined $deleted;
  print join('|', map { defined $_ ? $_ : '<null>' } @values), "\n";
}

-- comment
CREATE TABLE t (a INT,
  b INT);
INSERT INTO t VALUES (1, 2);
	  UPDATE t SET a = 3 ;  
SELECT 1

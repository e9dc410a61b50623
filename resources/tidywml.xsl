<?xml version="1.0" encoding="UTF-8"?>
<!--
  WML paragraph wrapping: a card holds its content in paragraphs, so every run of consecutive
  non-paragraph elements of a card goes into a new p, and existing paragraphs are copied whole.
  Text and comments standing directly in a card are not output. The import holds each piece of
  bare text of a card (the text of a div or span of the page, which the first pass leaves bare)
  in a t:text element before this pass, so that it takes part in the runs like an element and
  no words of the page are lost; a t:text element is written out as its text. Break marks
  between blocks of the page (the "break" processing instructions of the first pass) are held
  in t:break elements in the same way and written out as the marks again; the ids of elements
  that left nothing (its "id" processing instructions) are held in t:id elements, as text.

  The deck carries no document type declaration; the one for WML 1.1 would read:
  <!DOCTYPE wml PUBLIC "-//WAPFORUM//DTD WML 1.1//EN" "http://www.wapforum.org/DTD/wml_1.1.xml">

  The card of a large page holds many thousand elements and a run may be just as long, so only
  short runs are copied from sibling to sibling. A long one is copied in blocks whose sizes
  double, each block split in halves down to 32 elements, which keeps the template depth
  logarithmic in the length of the run and the work per element nearly constant.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
	xmlns:t="urn:tavro:tidy" exclude-result-prefixes="t">

	<xsl:output method="xml" encoding="UTF-8" indent="yes"/>

	<xsl:template match="wml">
		<wml>
			<xsl:apply-templates select="*"/>
		</wml>
	</xsl:template>

	<xsl:template match="card">
		<card>
			<xsl:apply-templates select="*"/>
		</card>
	</xsl:template>

	<xsl:template match="card/p">
		<xsl:copy-of select="."/>
	</xsl:template>

	<!-- A run's elements are copied whole; held text is written as text. -->
	<xsl:template match="*" mode="copy">
		<xsl:copy-of select="."/>
	</xsl:template>

	<xsl:template match="t:text" mode="copy">
		<xsl:value-of select="."/>
	</xsl:template>

	<xsl:template match="t:break" mode="copy">
		<xsl:processing-instruction name="break"/>
	</xsl:template>

	<xsl:template match="t:id" mode="copy">
		<xsl:processing-instruction name="id">
			<xsl:value-of select="."/>
		</xsl:processing-instruction>
	</xsl:template>

	<!-- The first element of a run opens a new paragraph that holds the whole run. -->
	<xsl:template match="card/*[not(self::p)]">
		<!-- A second predicate after [1] would keep libxml2 from stopping at the nearest sibling. -->
		<xsl:variable name="previous" select="preceding-sibling::*[1]"/>
		<xsl:if test="not($previous) or $previous/self::p">
			<xsl:variable name="end" select="following-sibling::p[1]"/>
			<xsl:variable name="limit" select="following-sibling::*[32]"/>
			<p>
				<xsl:choose>
					<!-- A short run, the usual case, is copied from sibling to sibling. -->
					<xsl:when test="not($limit) or ($end and generate-id(($end | $limit)[1]) = generate-id($end))">
						<xsl:apply-templates select="." mode="wrapped"/>
					</xsl:when>
					<xsl:otherwise>
						<xsl:call-template name="wrapped">
							<xsl:with-param name="from" select="."/>
							<xsl:with-param name="end" select="$end"/>
						</xsl:call-template>
					</xsl:otherwise>
				</xsl:choose>
			</p>
		</xsl:if>
	</xsl:template>

	<!-- Copies this element and the rest of its run, $left elements at most. -->
	<xsl:template match="*" mode="wrapped">
		<xsl:param name="left" select="32"/>
		<xsl:apply-templates select="." mode="copy"/>
		<xsl:if test="$left &gt; 1">
			<xsl:variable name="next" select="following-sibling::*[1]"/>
			<xsl:apply-templates select="$next[not(self::p)]" mode="wrapped">
				<xsl:with-param name="left" select="$left - 1"/>
			</xsl:apply-templates>
		</xsl:if>
	</xsl:template>

	<!--
	  Copies elements of the run that ends before $end (at the end of the card when $end is
	  empty), starting at $from, which belongs to the run.
	  Growing (the first call): blocks of 1, 2, 4 ... elements until the run ends.
	  Not growing: the run's elements among the $count = 2^$size siblings from $from on, as two
	  halves, down to blocks of 32 that are walked from sibling to sibling.
	  Only constant positions ("following-sibling::*[8]") let libxml2 stop after that many
	  siblings, hence one branch per block size in the jump below.
	-->
	<xsl:template name="wrapped">
		<xsl:param name="from"/>
		<xsl:param name="end"/>
		<xsl:param name="size" select="0"/>
		<xsl:param name="count" select="1"/>
		<xsl:param name="grow" select="true()"/>
		<xsl:choose>
			<xsl:when test="$count &lt;= 32 and not($grow)">
				<xsl:apply-templates select="$from" mode="wrapped">
					<xsl:with-param name="left" select="$count"/>
				</xsl:apply-templates>
			</xsl:when>
			<xsl:otherwise>
				<xsl:variable name="half" select="$size - number(not($grow))"/>
				<xsl:variable name="halfCount" select="$count div (1 + number(not($grow)))"/>
				<xsl:call-template name="wrapped">
					<xsl:with-param name="from" select="$from"/>
					<xsl:with-param name="end" select="$end"/>
					<xsl:with-param name="size" select="$half"/>
					<xsl:with-param name="count" select="$halfCount"/>
					<xsl:with-param name="grow" select="false()"/>
				</xsl:call-template>
				<xsl:variable name="next" select="$from[$half = 0]/following-sibling::*[1]
					| $from[$half = 1]/following-sibling::*[2]
					| $from[$half = 2]/following-sibling::*[4]
					| $from[$half = 3]/following-sibling::*[8]
					| $from[$half = 4]/following-sibling::*[16]
					| $from[$half = 5]/following-sibling::*[32]
					| $from[$half = 6]/following-sibling::*[64]
					| $from[$half = 7]/following-sibling::*[128]
					| $from[$half = 8]/following-sibling::*[256]
					| $from[$half = 9]/following-sibling::*[512]
					| $from[$half = 10]/following-sibling::*[1024]
					| $from[$half = 11]/following-sibling::*[2048]
					| $from[$half = 12]/following-sibling::*[4096]
					| $from[$half = 13]/following-sibling::*[8192]
					| $from[$half = 14]/following-sibling::*[16384]
					| $from[$half = 15]/following-sibling::*[32768]
					| $from[$half = 16]/following-sibling::*[65536]
					| $from[$half = 17]/following-sibling::*[131072]
					| $from[$half = 18]/following-sibling::*[262144]
					| $from[$half = 19]/following-sibling::*[524288]
					| $from[$half = 20]/following-sibling::*[1048576]
					| $from[$half = 21]/following-sibling::*[2097152]
					| $from[$half = 22]/following-sibling::*[4194304]"/>
				<!-- The run goes on when $next exists and comes before $end. -->
				<xsl:if test="$next and not($next/self::p) and generate-id(($next | $end)[1]) = generate-id($next)">
					<xsl:call-template name="wrapped">
						<xsl:with-param name="from" select="$next"/>
						<xsl:with-param name="end" select="$end"/>
						<xsl:with-param name="size" select="$half + number($grow and $half &lt; 22)"/>
						<xsl:with-param name="count" select="$halfCount * (1 + number($grow and $half &lt; 22))"/>
						<xsl:with-param name="grow" select="$grow"/>
					</xsl:call-template>
				</xsl:if>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

</xsl:stylesheet>